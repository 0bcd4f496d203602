// Key file decryption of any bytes through the OpenSSL twin of the key file
// format: it either succeeds with a plain text that encrypts back to exactly
// those bytes, or fails at the decryption step; and any plain text survives
// the round trip.
#include <string>

#include "fuzz_target.h"
#include "native/openssl_key_file_cipher.h"
#include "support/memory_files.h"

using namespace tollvane;
using namespace tollvane::fuzz;

TOLLVANE_FUZZ_HARNESS(key_file) {
    const std::string source = "crkeys.data", plain = "keys.data", again = "TmpCrKeys.data";
    const std::string input(reinterpret_cast<const char*>(data), size);
    testing::MemoryFiles files;
    OpenSslKeyFileCipher cipher(files);
    auto ReadAll = [&](const std::string& path) { return files.Text(path); };

    files.Put(source, input);
    if (const auto failure = DecryptKeyFile(files, cipher, source, plain, kKeyFilePassword); !failure) {
        FUZZ_CHECK(!input.empty() && input.size() % 16 == 0);
        const std::string text = ReadAll(plain);
        FUZZ_CHECK(text.size() < input.size() && text.size() + 16 >= input.size());
        FUZZ_CHECK(!EncryptKeyFile(files, cipher, plain, again, kKeyFilePassword));
        FUZZ_CHECK(ReadAll(again) == input);
    } else {
        // A length that is not whole blocks always fails; so does bad padding.
        FUZZ_CHECK(failure->step == CipherStep::Decrypt);
    }

    // The same bytes as a plain key list: whole blocks plus padding, and back.
    // For one input in eight only (first byte's low three bits clear): the
    // decryption of any bytes is what this harness is for.
    if (input.empty() || (input[0] & 7) != 0) return;
    files.Put(plain, input);
    FUZZ_CHECK(!EncryptKeyFile(files, cipher, plain, again, kKeyFilePassword));
    FUZZ_CHECK(ReadAll(again).size() == 16 * (input.size() / 16 + 1));
    FUZZ_CHECK(!DecryptKeyFile(files, cipher, again, source, kKeyFilePassword));
    FUZZ_CHECK(ReadAll(source) == input);
}
