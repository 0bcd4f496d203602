#include "openssl_key_file_cipher.h"

#include <openssl/evp.h>

#include <memory>

namespace tollvane {
namespace {

constexpr size_t kChunkSize = 960;
// What CryptoAPI reports for a bad padding block or a length that is not a
// multiple of the block size; used so that both implementations show the
// same text.
constexpr unsigned kBadData = 0x80090005u;

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

std::optional<CipherFailure> OpenSslKeyFileCipher::Encrypt(File& source,
                                                           const std::string& sourceName,
                                                           const std::string& target,
                                                           const std::string& password) {
    return Transform(true, source, sourceName, target, password);
}

std::optional<CipherFailure> OpenSslKeyFileCipher::Decrypt(File& source,
                                                           const std::string& sourceName,
                                                           const std::string& target,
                                                           const std::string& password) {
    return Transform(false, source, sourceName, target, password);
}

std::optional<CipherFailure> OpenSslKeyFileCipher::Transform(bool encrypt, File& in,
                                                             const std::string& sourceName,
                                                             const std::string& target,
                                                             const std::string& password) {
    const auto fail = [](CipherStep step, unsigned code, const std::string& file = {}) {
        return CipherFailure{step, file, code};
    };

    std::unique_ptr<File> out;
    if (const FileResult opened = files_.Open(target, OpenMode::CreateAlways, out); !opened)
        return fail(CipherStep::OpenTarget, opened.error, target);

    const CipherStep cipherStep = encrypt ? CipherStep::Encrypt : CipherStep::Decrypt;
    std::unique_ptr<EVP_CIPHER_CTX, CtxFree> ctx(EVP_CIPHER_CTX_new());
    const auto key = DeriveKey(password);
    const std::uint8_t iv[16] = {};
    if (!ctx ||
        !EVP_CipherInit_ex(ctx.get(), EVP_aes_256_cbc(), nullptr, key.data(), iv, encrypt ? 1 : 0))
        return fail(cipherStep, kBadData);

    std::uint8_t chunk[kChunkSize];
    std::uint8_t produced[kChunkSize + 16];
    for (;;) {
        std::size_t got = 0;
        if (const FileResult read = in.Read(reinterpret_cast<char*>(chunk), sizeof chunk, got);
            !read)
            return fail(CipherStep::ReadSource, read.error, sourceName);
        int n = 0;
        if (got == 0) {
            if (!EVP_CipherFinal_ex(ctx.get(), produced, &n)) return fail(cipherStep, kBadData);
        } else if (!EVP_CipherUpdate(ctx.get(), produced, &n, chunk, static_cast<int>(got))) {
            return fail(cipherStep, kBadData);
        }
        const FileResult written =
            out->Write(reinterpret_cast<const char*>(produced), static_cast<size_t>(n));
        if (!written) return fail(CipherStep::WriteTarget, written.error, target);
        if (got == 0) break;
    }
    // Only an encrypted target is put on the disk, as the program's cipher does.
    if (encrypt) {
        if (const FileResult flushed = out->Flush(); !flushed)
            return fail(CipherStep::WriteTarget, flushed.error, target);
    }
    return std::nullopt;
}

}  // namespace tollvane
