// ostrel-peinfo version FILE   prints the file version ("1.0.0.0") of a Windows executable
// ostrel-peinfo imports FILE   lists its imported functions, one "module!function" a line
// ostrel-peinfo check FILE     checks a release executable; lists each problem and fails when there is one
// ostrel-peinfo check-imports FILE   the same for its imports alone (an unstripped build)
#include "PeFile.h"
#include "ReleaseCheck.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ostrel-peinfo version|imports|check|check-imports FILE\n");
        return 2;
    }
    std::string command = argv[1], path = argv[2];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot be read\n", path.c_str());
        return 2;
    }
    auto image = peinfo::PeFile::Read({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    if (!image) {
        std::fprintf(stderr, "%s: not a Windows executable\n", path.c_str());
        return 1;
    }
    if (command == "version") {
        auto v = image->FileVersion();
        if (!v) {
            std::fprintf(stderr, "%s: no version resource\n", path.c_str());
            return 1;
        }
        std::printf("%u.%u.%u.%u\n", (*v)[0], (*v)[1], (*v)[2], (*v)[3]);
        return 0;
    }
    if (command == "imports") {
        for (const auto& import : image->Imports())
            std::printf("%s!%s\n", import.module.c_str(), import.function.c_str());
        return 0;
    }
    if (command == "check" || command == "check-imports") {
        auto problems =
            command == "check" ? peinfo::ReleaseProblems(*image) : peinfo::Windows2000MissingImports(*image);
        for (const auto& problem : problems) std::printf("%s: %s\n", path.c_str(), problem.c_str());
        if (problems.empty())
            std::printf("%s: a release image (%zu bytes)\n", path.c_str(), image->FileSize());
        return problems.empty() ? 0 : 1;
    }
    std::fprintf(stderr, "unknown command %s\n", command.c_str());
    return 2;
}
