// The one entry point of the figures program; every other file here only
// registers figures. Under Windows, "--make-data DIR" instead writes the
// files the outside measurement starts the program beside: a usersData.data
// of 1,000,000 numbers and a crkeys.data of 10,000 keys, encrypted by the
// program's own cipher.
#include "figures.h"

#if defined(_WIN32)
#include <cstdio>
#include <fstream>
#include <string>

#include "keystore/key_file_cipher.h"
#include "base/win/win_files.h"
#include "keystore/win/win_key_file_cipher.h"
#include "sample_data.h"

namespace {

int MakeData(const std::string& dir) {
    std::ofstream(dir + "\\usersData.data", std::ios::binary | std::ios::trunc)
        << bench::UsersDataText(1000000);
    const std::string plain = dir + "\\keys.plain";
    std::ofstream(plain, std::ios::binary | std::ios::trunc) << bench::KeyListText(10000);
    tollvane::WinFiles files;
    tollvane::WinKeyFileCipher cipher(files);
    const auto failure = tollvane::EncryptKeyFile(files, cipher, plain, dir + "\\crkeys.data",
                                                  tollvane::kKeyFilePassword);
    std::remove(plain.c_str());
    if (failure) std::fprintf(stderr, "%s\n", tollvane::CipherFailureText(*failure).c_str());
    return failure ? 1 : 0;
}

}  // namespace
#endif

int main(int argc, char** argv) {
#if defined(_WIN32)
    if (argc == 3 && std::string(argv[1]) == "--make-data") return MakeData(argv[2]);
#endif
    return bench::RunAll(argc, argv);
}
