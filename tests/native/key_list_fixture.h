// The key list over the files in memory and the OpenSSL twin of the
// cipher, with a recording window and the main form of the test bundle.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "keystore/key_list.h"
#include "native/openssl_key_file_cipher.h"
#include "support/fakes.h"
#include "support/memory_files.h"

namespace tollvane {

inline const std::string kFF6 = "FFFFFFFFFFFF";
inline const std::string kFF16 = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";
inline const std::string kSpacedFF16 = "FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF";

// One line of keys.data as the key record format lays it out.
inline std::string Rec(const std::string& description, const std::string& mkey = kFF6,
                       const std::string& akey = kFF16,
                       const std::string& settings = "TC=Cls AA=X OI=0 LL=0 DI=2 SB=1 WM=0 SN=01 BN=0") {
    return settings + " M_KEY=" + mkey + " A_KEY=" + akey + " Description=" + description + "\n";
}

class KeyListTest : public ::testing::Test {
protected:
    KeyListTest() { list.SetUi(&ui); }

    // crkeys.data holding the given plain list, on the disk.
    void Store(const std::string& plain) {
        files.Put("plain.scratch", plain);
        ASSERT_FALSE(EncryptKeyFile(files, cipher, "plain.scratch", kCrKeysFile, kKeyFilePassword));
        files.entries.erase("plain.scratch");
    }
    // The plain list in crkeys.data, or a marker when it does not decrypt.
    std::string Stored() {
        std::string plain = "<does not decrypt>";
        if (!DecryptKeyFile(files, cipher, kCrKeysFile, "plain.scratch", kKeyFilePassword))
            plain = files.Text("plain.scratch");
        files.entries.erase("plain.scratch");
        return plain;
    }
    bool PlainFilesGone() const {
        return !files.Has(kKeysFile) && !files.Has(kTmpKeysFile) && !files.Has(kTmpCrKeysFile);
    }
    void FieldsFromForm(const std::string& description = "Key Description") {
        ui.fields[KeyField::Crypto1] = t.app.values.crypto1KeyText;
        ui.fields[KeyField::Aes] = t.app.values.aesKeyText;
        ui.fields[KeyField::Description] = description;
    }

    testing::TestApp t{testing::WithReader{}};  // the form as the program starts it, in English
    testing::MemoryFiles files;
    OpenSslKeyFileCipher cipher{files};
    testing::FakeKeyListUi ui;
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm};
};

}  // namespace tollvane
