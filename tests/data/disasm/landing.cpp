// try/catch and clean-up code as gcc -O2 emits it, for the landing-pad tests.
struct Fault {
    virtual ~Fault();
    int code;
};
struct Other : Fault {};
struct Guard {
    ~Guard();
    int* counter;
};
void Raise(int);
int Observe(int);

int catch_one(int x) {
    try {
        Raise(x);
    } catch (const Other& o) {
        return Observe(o.code);
    } catch (const Fault& f) {
        return Observe(f.code + 1);
    }
    return 1;
}

int catch_all(int x) {
    try {
        Raise(x);
        Raise(x + 1);
    } catch (...) {
        Observe(0);
        throw;
    }
    return 0;
}

int clean_up(int x) {
    Guard g{&x};
    Raise(x);
    Guard h{&x};
    Raise(x + 1);
    return x;
}
