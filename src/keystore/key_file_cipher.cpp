#include "keystore/key_file_cipher.h"

#include <cstdio>
#include <memory>

namespace tollvane {
namespace {

const char* StepText(CipherStep step) {
    switch (step) {
        case CipherStep::OpenSource: return "Ошибка открытия исходного текстового файла!";
        case CipherStep::OpenTarget: return "Ошибка открытия файла назначения!";
        case CipherStep::AcquireContext: return "Ошибка во время CryptAcquireContext!";
        case CipherStep::CreateHash: return "Ошибка во время CryptCreateHash!";
        case CipherStep::HashData: return "Ошибка во время CryptHashData!";
        case CipherStep::DeriveKey: return "Ошибка во время CryptDeriveKey!";
        case CipherStep::Memory: return "Недостаточно памяти!";
        case CipherStep::ReadSource: return "Ошибка чтения открытого текста!";
        case CipherStep::Encrypt: return "Ошибка во время CryptEncrypt!";
        case CipherStep::Decrypt: return "Ошибка во время CryptDecrypt!";
        case CipherStep::WriteTarget: return "Ошибка записи зашифрованного текста!";
    }
    return "";
}

std::optional<CipherFailure> RunNamed(Files& files, KeyFileCipher& cipher, bool encrypt,
                                      const std::string& source, const std::string& target,
                                      const std::string& password) {
    std::unique_ptr<File> in;
    if (const FileResult opened = files.Open(source, OpenMode::Read, in); !opened)
        return CipherFailure{CipherStep::OpenSource, source, opened.error};
    return encrypt ? cipher.Encrypt(*in, source, target, password)
                   : cipher.Decrypt(*in, source, target, password);
}

}  // namespace

std::optional<CipherFailure> EncryptKeyFile(Files& files, KeyFileCipher& cipher,
                                            const std::string& source, const std::string& target,
                                            const std::string& password) {
    return RunNamed(files, cipher, true, source, target, password);
}

std::optional<CipherFailure> DecryptKeyFile(Files& files, KeyFileCipher& cipher,
                                            const std::string& source, const std::string& target,
                                            const std::string& password) {
    return RunNamed(files, cipher, false, source, target, password);
}

std::string CipherFailureText(const CipherFailure& failure) {
    char number[32];
    std::snprintf(number, sizeof number, "0x%08lX.",
                  static_cast<unsigned long>(failure.systemError));
    return std::string(StepText(failure.step)) + "\nНомер ошибки: " + number;
}

}  // namespace tollvane
