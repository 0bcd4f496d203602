#include "keystore/key_list_operation.h"

namespace tollvane {

KeyListOutcome KeyList::Operation::Begin() {
    Files& files = list_.files_;
    const FileResult locked = OpenWithShareRetry(files, list_.sleeper_, list_.PathOf(kKeysLockFile),
                                                 OpenMode::Hold, lock_);
    // Any other failure (a folder that cannot be written) is left to the
    // decryption, which reports what stops it.
    if (locked.status == FileStatus::HeldElsewhere) {
        Say(Msg::kKeyListInUse);
        return KeyListOutcome::InUse;
    }
    // A program that does not know the lock (an older copy on another
    // station) is kept out by crkeys.data itself.
    const std::string source = list_.PathOf(kCrKeysFile);
    const FileResult opened =
        OpenWithShareRetry(files, list_.sleeper_, source, OpenMode::Read, crkeys_);
    if (opened.status == FileStatus::HeldElsewhere) {
        Say(Msg::kKeyListInUse);
        return KeyListOutcome::InUse;
    }
    taken_ = true;
    std::optional<CipherFailure> failure;
    if (!opened)
        failure = CipherFailure{CipherStep::OpenSource, source, opened.error};
    else
        failure =
            list_.cipher_.Decrypt(*crkeys_, source, list_.PathOf(kKeysFile), kKeyFilePassword);
    if (!failure) return KeyListOutcome::Done;
    Say(CipherFailureText(*failure));
    return KeyListOutcome::Failed;
}

KeyListOutcome KeyList::Operation::Store() {
    Files& files = list_.files_;
    const std::string encrypted = list_.PathOf(kTmpCrKeysFile);
    const std::string target = list_.PathOf(kCrKeysFile);
    if (const auto failure = EncryptKeyFile(files, list_.cipher_, list_.PathOf(kKeysFile),
                                            encrypted, kKeyFilePassword)) {
        files.Delete(encrypted);
        Say(CipherFailureText(*failure));
        Say(Msg::kEncryptionFailed, failure->systemError);
        return KeyListOutcome::NotStored;
    }
    // One replacing move: crkeys.data holds either the old list or the new
    // one at every moment, and is never missing. The cipher has put the new
    // list on the disk before it.
    crkeys_.reset();
    if (const FileResult moved = files.MoveReplace(encrypted, target); !moved) {
        files.Delete(encrypted);
        Say(Msg::kCrKeysDataProblem, moved.error);
        return KeyListOutcome::NotStored;
    }
    // The backup copy is a convenience; its failure changes nothing above.
    files.Copy(target, list_.PathOf(kZipKeysFile));
    return KeyListOutcome::Done;
}

void KeyList::Operation::Say(Msg text) { Say(std::string(list_.texts_[text])); }

void KeyList::Operation::Say(Msg text, std::uint32_t code) {
    Say(list_.texts_[text] + ErrorCodeLine(code));
}

KeyList::Operation::~Operation() {
    // No plain copy of the list outlives an operation, whichever way it
    // ends; a list taken by another station is not ours to touch.
    if (taken_) {
        list_.files_.Delete(list_.PathOf(kKeysFile));
        list_.files_.Delete(list_.PathOf(kTmpKeysFile));
    }
    crkeys_.reset();
    lock_.reset();
    for (const std::string& text : said_) list_.boxes_.Show(text, MessageIcon::Error);
}

}  // namespace tollvane
