// A module without symbols of its own: the tests put ".map" and ".jov" files beside it.
extern "C" __declspec(dllexport) int MapFileHelperFunction(int x) {
    return x * 7 + 1;
}
