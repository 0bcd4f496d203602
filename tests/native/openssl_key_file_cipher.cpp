#include "native/openssl_key_file_cipher.h"

#include <openssl/evp.h>

#include <cstdio>
#include <memory>

namespace tollvane {
namespace {

constexpr size_t kChunkSize = 960;
// What CryptoAPI reports for a bad padding block or a length that is not a
// multiple of the block size; used so that both implementations show the
// same text.
constexpr unsigned kBadData = 0x80090005u;

constexpr char kOpenSourceFailed[] = "Ошибка открытия исходного текстового файла!";
constexpr char kOpenTargetFailed[] = "Ошибка открытия файла назначения!";
constexpr char kReadFailed[] = "Ошибка чтения открытого текста!";
constexpr char kEncryptFailed[] = "Ошибка во время CryptEncrypt!";
constexpr char kDecryptFailed[] = "Ошибка во время CryptDecrypt!";
constexpr char kWriteFailed[] = "Ошибка записи зашифрованного текста!";

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

std::array<std::uint8_t, 16> Md5(const std::uint8_t* data, size_t size) {
    std::array<std::uint8_t, 16> out{};
    unsigned int len = 0;
    EVP_Digest(data, size, out.data(), &len, EVP_md5(), nullptr);
    return out;
}

}  // namespace

std::array<std::uint8_t, 32> OpenSslKeyFileCipher::DeriveKey(const std::string& password) {
    auto hash = Md5(reinterpret_cast<const std::uint8_t*>(password.data()), password.size());
    std::uint8_t inner[64], outer[64];
    for (size_t i = 0; i < 64; ++i) {
        inner[i] = 0x36;
        outer[i] = 0x5C;
    }
    for (size_t i = 0; i < hash.size(); ++i) {
        inner[i] ^= hash[i];
        outer[i] ^= hash[i];
    }
    auto first = Md5(inner, sizeof inner);
    auto second = Md5(outer, sizeof outer);
    std::array<std::uint8_t, 32> key{};
    for (size_t i = 0; i < 16; ++i) {
        key[i] = first[i];
        key[16 + i] = second[i];
    }
    return key;
}

bool OpenSslKeyFileCipher::EncryptKeyFile(const std::string& source, const std::string& target,
                                          const std::string& password) {
    return Transform(true, source, target, password);
}

bool OpenSslKeyFileCipher::DecryptKeyFile(const std::string& source, const std::string& target,
                                          const std::string& password) {
    return Transform(false, source, target, password);
}

bool OpenSslKeyFileCipher::Transform(bool encrypt, const std::string& source,
                                     const std::string& target, const std::string& password) {
    auto fail = [this](const char* step, unsigned code) {
        lastError_ = code;
        char number[32];
        std::snprintf(number, sizeof number, "0x%08X.", code);
        boxes_.Show(std::string(step) + "\nНомер ошибки: " + number, MessageIcon::Error);
        return false;
    };

    std::unique_ptr<File> in, out;
    if (const FileResult opened = files_.Open(source, OpenMode::Read, in); !opened)
        return fail(kOpenSourceFailed, opened.error);
    if (const FileResult opened = files_.Open(target, OpenMode::CreateAlways, out); !opened)
        return fail(kOpenTargetFailed, opened.error);

    const char* cipherStep = encrypt ? kEncryptFailed : kDecryptFailed;
    std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
    const auto key = DeriveKey(password);
    const std::uint8_t iv[16] = {};
    if (!ctx || !EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv,
                                   encrypt ? 1 : 0))
        return fail(cipherStep, kBadData);

    std::uint8_t chunk[kChunkSize];
    std::uint8_t produced[kChunkSize + 16];
    for (;;) {
        std::size_t got = 0;
        if (const FileResult read = in->Read(reinterpret_cast<char*>(chunk), sizeof chunk, got); !read)
            return fail(kReadFailed, read.error);
        int n = 0;
        if (got == 0) {
            if (!EVP_CipherFinal_ex(ctx.get(), produced, &n)) return fail(cipherStep, kBadData);
        } else if (!EVP_CipherUpdate(ctx.get(), produced, &n, chunk, static_cast<int>(got))) {
            return fail(cipherStep, kBadData);
        }
        const FileResult written = out->Write(reinterpret_cast<const char*>(produced), static_cast<size_t>(n));
        if (!written) return fail(kWriteFailed, written.error);
        if (got == 0) break;
    }
    if (const FileResult flushed = out->Flush(); !flushed) return fail(kWriteFailed, flushed.error);
    return true;
}

}  // namespace tollvane
