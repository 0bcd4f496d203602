#include "keystore/win/win_key_file_cipher.h"

#include "base/win/handles.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>
#include <new>

namespace tollvane {
namespace {

constexpr wchar_t kProviderName[] = L"Microsoft Enhanced RSA and AES Cryptographic Provider";
constexpr DWORD kChunkSize = 960;    // 60 AES blocks read per step
constexpr DWORD kBufferSize = 1024;  // a chunk plus room for the padding block

// Reads up to `size` bytes, stopping early only at the end of the file.
FileResult ReadChunk(File& file, BYTE* buffer, DWORD size, DWORD* got) {
    std::size_t n = 0;
    const FileResult read = ReadFull(file, reinterpret_cast<char*>(buffer), size, n);
    *got = static_cast<DWORD>(n);
    return read;
}

}  // namespace

std::optional<CipherFailure> WinKeyFileCipher::Encrypt(File& source, const std::string& sourceName,
                                                       const std::string& target,
                                                       const std::string& password) {
    return Transform(true, source, sourceName, target, password);
}

std::optional<CipherFailure> WinKeyFileCipher::Decrypt(File& source, const std::string& sourceName,
                                                       const std::string& target,
                                                       const std::string& password) {
    return Transform(false, source, sourceName, target, password);
}

std::optional<CipherFailure> WinKeyFileCipher::Transform(bool encrypt, File& in,
                                                         const std::string& sourceName,
                                                         const std::string& target,
                                                         const std::string& password) {
    const auto fail = [](CipherStep step, DWORD code, const std::string& file = {}) {
        return CipherFailure{step, file, code};
    };
    // CREATE_ALWAYS truncates: a shorter output must not keep the tail of an
    // earlier, longer file behind it.
    std::unique_ptr<File> out;
    if (const FileResult opened = files_.Open(target, OpenMode::CreateAlways, out); !opened)
        return fail(CipherStep::OpenTarget, opened.error, target);

    UniqueCryptProv context;
    if (!CryptAcquireContextW(context.put(), nullptr, kProviderName, PROV_RSA_AES, 0)) {
        DWORD code = GetLastError();
        // The user's default key container does not exist yet on a fresh account.
        if (code != static_cast<DWORD>(NTE_BAD_KEYSET))
            return fail(CipherStep::AcquireContext, code);
        if (!CryptAcquireContextW(context.put(), nullptr, kProviderName, PROV_RSA_AES,
                                  CRYPT_NEWKEYSET))
            return fail(CipherStep::AcquireContext, GetLastError());
    }

    UniqueCryptHash hash;
    if (!CryptCreateHash(context.get(), CALG_MD5, 0, 0, hash.put()))
        return fail(CipherStep::CreateHash, GetLastError());
    if (!CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(password.data()),
                       static_cast<DWORD>(password.size()), 0))
        return fail(CipherStep::HashData, GetLastError());

    UniqueCryptKey key;
    if (!CryptDeriveKey(context.get(), CALG_AES_256, hash.get(), 0, key.put()))
        return fail(CipherStep::DeriveKey, GetLastError());

    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[kBufferSize]);
    std::unique_ptr<BYTE[]> ahead(new (std::nothrow) BYTE[kChunkSize]);
    if (!buffer || !ahead) return fail(CipherStep::Memory, ERROR_NOT_ENOUGH_MEMORY);

    DWORD length = 0;
    if (const FileResult read = ReadChunk(in, buffer.get(), kChunkSize, &length); !read)
        return fail(CipherStep::ReadSource, read.error, sourceName);

    for (;;) {
        // Read one chunk ahead so that the final flag travels with the last
        // chunk that holds data. A final decryption of nothing has no padding
        // block to check, and some CryptoAPI implementations read before the
        // buffer in that case. The file format is the same either way.
        DWORD aheadLength = 0;
        if (length == kChunkSize) {
            if (const FileResult read = ReadChunk(in, ahead.get(), kChunkSize, &aheadLength); !read)
                return fail(CipherStep::ReadSource, read.error, sourceName);
        }
        const BOOL final = aheadLength == 0;

        DWORD produced = length;
        if (encrypt) {
            if (!CryptEncrypt(key.get(), 0, final, 0, buffer.get(), &produced, kBufferSize))
                return fail(CipherStep::Encrypt, GetLastError());
        } else {
            // Even an empty cipher text must hold one padding block.
            if (produced == 0) return fail(CipherStep::Decrypt, static_cast<DWORD>(NTE_BAD_DATA));
            if (!CryptDecrypt(key.get(), 0, final, 0, buffer.get(), &produced))
                return fail(CipherStep::Decrypt, GetLastError());
        }

        if (produced > 0) {
            const FileResult written =
                out->Write(reinterpret_cast<const char*>(buffer.get()), produced);
            if (!written) return fail(CipherStep::WriteTarget, written.error, target);
        }
        if (final) break;

        CopyMemory(buffer.get(), ahead.get(), aheadLength);
        length = aheadLength;
    }
    // An encrypted target is about to take the place of a file that is on
    // the disk: it must be on the disk itself first, or a power loss after
    // the replacement would leave the key list empty or cut short. A plain
    // target is never forced there: it must not outlive the operation.
    if (encrypt) {
        if (const FileResult flushed = out->Flush(); !flushed)
            return fail(CipherStep::WriteTarget, flushed.error, target);
    }
    return std::nullopt;
}

}  // namespace tollvane
