// The key list over the files in memory and a stand-in cipher, with a recording window and the test
// bundle's form.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "keystore/key_list.h"
#include "support/fakes.h"

namespace tollvane {

// The key file cipher's stand-in (the real one is tested under Wine): every byte XORed, then a
// 16-byte tail of the length and a sum, so that a torn or foreign file does not decrypt. It takes
// the real one's file steps: the target made first, a write per block read and one at the end, and
// only what it encrypts flushed.
class StandInKeyFileCipher : public KeyFileCipher {
public:
    explicit StandInKeyFileCipher(Files& files) : files_(files) {}
    std::optional<CipherFailure> Encrypt(File& in, const std::string& name,
                                         const std::string& target, const std::string&) override {
        return Run(true, in, name, target);
    }
    std::optional<CipherFailure> Decrypt(File& in, const std::string& name,
                                         const std::string& target, const std::string&) override {
        return Run(false, in, name, target);
    }

private:
    static std::string Xor(std::string s) {
        for (char& c : s) c ^= 0x5A;
        return s;
    }
    static std::string Tail(const std::string& plain) {
        std::uint64_t sum = plain.size();
        for (char c : plain) sum = sum * 31 + static_cast<unsigned char>(c);
        return std::string(reinterpret_cast<const char*>(&sum), 8) + "KEYSTAIL";
    }
    std::optional<CipherFailure> Run(bool encrypt, File& in, const std::string& name,
                                     const std::string& target) {
        const auto fail = [](CipherStep step, std::uint32_t code, const std::string& file = {}) {
            return CipherFailure{step, file, code};
        };
        std::unique_ptr<File> out;
        if (const FileResult r = files_.Open(target, OpenMode::CreateAlways, out); !r)
            return fail(CipherStep::OpenTarget, r.error, target);
        std::string plain, held;  // held back while decrypting: the last 16 bytes may be the tail
        char block[960];
        for (std::size_t got = 1; got != 0;) {
            if (const FileResult r = in.Read(block, sizeof block, got); !r)
                return fail(CipherStep::ReadSource, r.error, name);
            std::string piece;
            if (encrypt) {
                plain.append(block, got);
                piece = got ? Xor(std::string(block, got)) : Tail(plain);
            } else {
                held.append(block, got);
                const std::size_t ready = held.size() > 16 ? held.size() - 16 : 0;
                piece = Xor(held.substr(0, ready));
                plain += piece;
                held.erase(0, ready);
                if (got == 0 && held != Tail(plain)) return fail(CipherStep::Decrypt, 0x80090005u);
            }
            if (const FileResult r = out->Write(piece.data(), piece.size()); !r)
                return fail(CipherStep::WriteTarget, r.error, target);
        }
        if (const FileResult r = encrypt ? out->Flush() : FileResult::Success(); !r)
            return fail(CipherStep::WriteTarget, r.error, target);
        return std::nullopt;
    }
    Files& files_;
};

inline const std::string kFF6 = "FFFFFFFFFFFF";
inline const std::string kFF16 = "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF";

// One line of keys.data as the key record format lays it out.
inline std::string Rec(
    const std::string& description, const std::string& mkey = kFF6, const std::string& akey = kFF16,
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
    StandInKeyFileCipher cipher{files};
    testing::FakeKeyListUi ui;
    KeyList list{files, cipher, t.boxes, t.app.texts, t.sleeper, t.keyForm};
};

}  // namespace tollvane
