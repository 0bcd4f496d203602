#include "native/openssl_key_file_cipher.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
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

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

struct CtxFree {
    void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};

std::array<std::uint8_t, 16> Md5(const std::uint8_t* data, size_t size) {
    std::array<std::uint8_t, 16> out{};
    unsigned int len = 0;
    EVP_Digest(data, size, out.data(), &len, EVP_md5(), nullptr);
    return out;
}

bool WriteAll(int fd, const std::uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
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
        char number[32];
        std::snprintf(number, sizeof number, "0x%08X.", code);
        boxes_.Show(std::string(step) + "\nНомер ошибки: " + number, MessageIcon::Error);
        return false;
    };

    Fd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.Get() < 0) return fail(kOpenSourceFailed, static_cast<unsigned>(errno));
    Fd out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (out.Get() < 0) return fail(kOpenTargetFailed, static_cast<unsigned>(errno));

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
        ssize_t got = ::read(in.Get(), chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return fail(kReadFailed, static_cast<unsigned>(errno));
        }
        int n = 0;
        if (got == 0) {
            if (!EVP_CipherFinal_ex(ctx.get(), produced, &n)) return fail(cipherStep, kBadData);
        } else if (!EVP_CipherUpdate(ctx.get(), produced, &n, chunk, static_cast<int>(got))) {
            return fail(cipherStep, kBadData);
        }
        if (!WriteAll(out.Get(), produced, static_cast<size_t>(n)))
            return fail(kWriteFailed, static_cast<unsigned>(errno));
        if (got == 0) break;
    }
    return true;
}

}  // namespace tollvane
