// Key file decryption of any bytes through the OpenSSL twin of the key file
// format: it either succeeds with a plain text that encrypts back to exactly
// those bytes, or fails with one message; and any plain text survives the
// round trip.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_target.h"
#include "native/openssl_key_file_cipher.h"
#include "support/fakes.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::string& content) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() /
            ("tollvane-fuzz-" + std::to_string(::getpid()) + "-" + name))
        .string();
}

}  // namespace

using namespace tollvane;
using namespace tollvane::fuzz;

TOLLVANE_FUZZ_HARNESS(key_file) {
    static const std::string source = TempPath("crkeys.data");
    static const std::string plain = TempPath("keys.data");
    static const std::string again = TempPath("TmpCrKeys.data");
    static const int cleanup = std::atexit([] {
        for (const std::string* p : {&source, &plain, &again}) std::remove(p->c_str());
    });
    (void)cleanup;
    const std::string input(reinterpret_cast<const char*>(data), size);
    testing::FakeMessageBoxes boxes;
    OpenSslKeyFileCipher cipher(boxes);

    WriteAll(source, input);
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
    WriteAll(plain, input);
    FUZZ_CHECK(cipher.EncryptKeyFile(plain, again, kKeyFilePassword));
    FUZZ_CHECK(ReadAll(again).size() == 16 * (input.size() / 16 + 1));
    FUZZ_CHECK(cipher.DecryptKeyFile(again, source, kKeyFilePassword));
    FUZZ_CHECK(ReadAll(source) == input && boxes.shown.empty());
}
