#include "keystore/win/win_key_file_cipher.h"

#include "base/win/handles.h"

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <memory>
#include <new>

namespace tollvane {
namespace {

constexpr wchar_t kProviderName[] = L"Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr DWORD kChunkSize = 960;     // 60 AES blocks read per step
constexpr DWORD kBufferSize = 1024;   // a chunk plus room for the padding block

// The step texts exist in Russian only and are shown whatever the language.
constexpr char kOpenSourceFailed[] = "Ошибка открытия исходного текстового файла!";
constexpr char kOpenTargetFailed[] = "Ошибка открытия файла назначения!";
constexpr char kAcquireFailed[] = "Ошибка во время CryptAcquireContext!";
constexpr char kCreateHashFailed[] = "Ошибка во время CryptCreateHash!";
constexpr char kHashDataFailed[] = "Ошибка во время CryptHashData!";
constexpr char kDeriveKeyFailed[] = "Ошибка во время CryptDeriveKey!";
constexpr char kOutOfMemory[] = "Недостаточно памяти!";
constexpr char kReadFailed[] = "Ошибка чтения открытого текста!";
constexpr char kEncryptFailed[] = "Ошибка во время CryptEncrypt!";
constexpr char kDecryptFailed[] = "Ошибка во время CryptDecrypt!";
constexpr char kWriteFailed[] = "Ошибка записи зашифрованного текста!";

// Reads up to `size` bytes, stopping early only at the end of the file.
FileResult ReadChunk(File& file, BYTE* buffer, DWORD size, DWORD* got) {
    std::size_t n = 0;
    const FileResult read = ReadFull(file, reinterpret_cast<char*>(buffer), size, n);
    *got = static_cast<DWORD>(n);
    return read;
}

}  // namespace

bool WinKeyFileCipher::EncryptKeyFile(const std::string& source, const std::string& target,
                                      const std::string& password) {
    return Transform(true, source, target, password);
}

bool WinKeyFileCipher::DecryptKeyFile(const std::string& source, const std::string& target,
                                      const std::string& password) {
    return Transform(false, source, target, password);
}

bool WinKeyFileCipher::Transform(bool encrypt, const std::string& source, const std::string& target,
                                 const std::string& password) {
    auto fail = [this](const char* step, DWORD code) {
        lastError_ = code;
        char number[32];
        std::snprintf(number, sizeof number, "0x%08lX.", static_cast<unsigned long>(code));
        boxes_.Show(std::string(step) + "\nНомер ошибки: " + number, MessageIcon::Error);
        return false;
    };

    // The source is opened first, so a missing source never creates a target.
    std::unique_ptr<File> in;
    if (const FileResult opened = files_.Open(source, OpenMode::Read, in); !opened)
        return fail(kOpenSourceFailed, opened.error);

    // CREATE_ALWAYS truncates: a shorter output must not keep the tail of an
    // earlier, longer file behind it.
    std::unique_ptr<File> out;
    if (const FileResult opened = files_.Open(target, OpenMode::CreateAlways, out); !opened)
        return fail(kOpenTargetFailed, opened.error);

    UniqueCryptProv context;
    if (!CryptAcquireContextW(context.put(), nullptr, kProviderName, PROV_RSA_AES, 0)) {
        DWORD code = GetLastError();
        // The user's default key container does not exist yet on a fresh account.
        if (code != static_cast<DWORD>(NTE_BAD_KEYSET)) return fail(kAcquireFailed, code);
        if (!CryptAcquireContextW(context.put(), nullptr, kProviderName, PROV_RSA_AES,
                                  CRYPT_NEWKEYSET))
            return fail(kAcquireFailed, GetLastError());
    }

    UniqueCryptHash hash;
    if (!CryptCreateHash(context.get(), CALG_MD5, 0, 0, hash.put()))
        return fail(kCreateHashFailed, GetLastError());
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(password.data()),
                       static_cast<DWORD>(password.size()), 0))
        return fail(kHashDataFailed, GetLastError());

    UniqueCryptKey key;
    if (!CryptDeriveKey(context.get(), CALG_AES_256, hash.get(), 0, key.put()))
        return fail(kDeriveKeyFailed, GetLastError());

    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kBufferSize]);
    std::unique_ptr<BYTE[]> ahead(new (std::nothrow) BYTE[kChunkSize]);
    if (!buffer || !ahead) return fail(kOutOfMemory, ERROR_NOT_ENOUGH_MEMORY);

    DWORD length = 0;
    if (const FileResult read = ReadChunk(*in, buffer.get(), kChunkSize, &length); !read)
        return fail(kReadFailed, read.error);

    for (;;) {
        // Read one chunk ahead so that the final flag travels with the last
        // chunk that holds data. A final decryption of nothing has no padding
        // block to check, and some CryptoAPI implementations read before the
        // buffer in that case. The file format is the same either way.
        DWORD aheadLength = 0;
        if (length == kChunkSize) {
            if (const FileResult read = ReadChunk(*in, ahead.get(), kChunkSize, &aheadLength); !read)
                return fail(kReadFailed, read.error);
        }
        const BOOL final = aheadLength == 0;

        DWORD produced = length;
        if (encrypt) {
            if (!CryptEncrypt(key.get(), 0, final, 0, buffer.get(), &produced, kBufferSize))
                return fail(kEncryptFailed, GetLastError());
        } else {
            // Even an empty cipher text must hold one padding block.
            if (produced == 0) return fail(kDecryptFailed, static_cast<DWORD>(NTE_BAD_DATA));
            if (!CryptDecrypt(key.get(), 0, final, 0, buffer.get(), &produced))
                return fail(kDecryptFailed, GetLastError());
        }

        if (produced > 0) {
            const FileResult written = out->Write(reinterpret_cast<const char*>(buffer.get()), produced);
            if (!written) return fail(kWriteFailed, written.error);
        }
        if (final) break;

        CopyMemory(buffer.get(), ahead.get(), aheadLength);
        length = aheadLength;
    }
    // The target is about to take the place of a file that is on the disk:
    // it must be on the disk itself first, or a power loss after the
    // replacement would leave the key list empty or cut short.
    if (const FileResult flushed = out->Flush(); !flushed) return fail(kWriteFailed, flushed.error);
    return true;
}

}  // namespace tollvane
