// Key file decryption of any bytes through the OpenSSL twin of the key file
// format: it either succeeds with a plain text that encrypts back to exactly
// those bytes, or fails with one message; and any plain text survives the
// round trip.
#include <string>

#include "fuzz_target.h"
#include "native/openssl_key_file_cipher.h"
#include "support/fakes.h"
#include "support/memory_files.h"

using namespace tollvane;
using namespace tollvane::fuzz;

TOLLVANE_FUZZ_HARNESS(key_file) {
    const std::string source = "crkeys.data", plain = "keys.data", again = "TmpCrKeys.data";
    const std::string input(reinterpret_cast<const char*>(data), size);
    testing::FakeMessageBoxes boxes;
    testing::MemoryFiles files;
    OpenSslKeyFileCipher cipher(files, boxes);
    auto ReadAll = [&](const std::string& path) { return files.Text(path); };

    files.Put(source, input);
    if (cipher.DecryptKeyFile(source, plain, kKeyFilePassword)) {
        FUZZ_CHECK(boxes.shown.empty());
        FUZZ_CHECK(!input.empty() && input.size() % 16 == 0);
        const std::string text = ReadAll(plain);
        FUZZ_CHECK(text.size() < input.size() && text.size() + 16 >= input.size());
        FUZZ_CHECK(cipher.EncryptKeyFile(plain, again, kKeyFilePassword));
        FUZZ_CHECK(ReadAll(again) == input);
    } else {
        // A length that is not whole blocks always fails; so does bad padding.
        FUZZ_CHECK(boxes.shown.size() == 1 && boxes.shown[0].icon == MessageIcon::Error);
        FUZZ_CHECK(boxes.shown[0].text.rfind("Ошибка во время CryptDecrypt!\nНомер ошибки: 0x", 0) == 0);
    }

    // The same bytes as a plain key list: whole blocks plus padding, and back.
    // For one input in eight only (first byte's low three bits clear): the
    // decryption of any bytes is what this harness is for.
    if (input.empty() || (input[0] & 7) != 0) return;
    boxes.shown.clear();
    files.Put(plain, input);
    FUZZ_CHECK(cipher.EncryptKeyFile(plain, again, kKeyFilePassword));
    FUZZ_CHECK(ReadAll(again).size() == 16 * (input.size() / 16 + 1));
    FUZZ_CHECK(cipher.DecryptKeyFile(again, source, kKeyFilePassword));
    FUZZ_CHECK(ReadAll(source) == input && boxes.shown.empty());
}
