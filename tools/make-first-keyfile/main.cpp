// Makes the files a new installation starts from, in the working directory:
// crkeys.data, the encrypted empty key list (the key store only ever
// rewrites an existing one), and an empty usersData.data when there is none.
// The list is encrypted by the program's own cipher, so it is exactly what
// the program would have written. An existing crkeys.data is left alone.
#include <cstdio>
#include <memory>
#include <string>

#include "base/win/win_files.h"
#include "keystore/key_files.h"
#include "keystore/win/win_key_file_cipher.h"

int main() {
    tollvane::WinFiles files;
    tollvane::WinKeyFileCipher cipher(files);
    // An existing list is kept; a missing one is made whole or not at all.
    if (const tollvane::FirstKeyList made = tollvane::MakeFirstKeyList(files, cipher); !made) {
        if (made.cipher)
            std::fprintf(stderr, "%s\n", tollvane::CipherFailureText(*made.cipher).c_str());
        else
            std::fprintf(stderr, "cannot make crkeys.data: error %lu\n",
                         static_cast<unsigned long>(made.file.error));
        return 1;
    }
    // An existing usersData.data holds numbers already handed out: keep it.
    std::unique_ptr<tollvane::File> users;
    const tollvane::FileResult opened =
        files.Open("usersData.data", tollvane::OpenMode::AppendShared, users);
    if (!opened) {
        std::fprintf(stderr, "cannot create usersData.data: error %lu\n",
                     static_cast<unsigned long>(opened.error));
        return 1;
    }
    return 0;
}
