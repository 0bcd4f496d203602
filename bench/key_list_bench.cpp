// Loading, adding to and removing from a key list of 10,000 records, with
// the real cipher (OpenSSL natively, CryptoAPI under Windows), over the
// files in memory natively and kernel32 under Windows. The list rows go to a view that only keeps
// them; filling a real list view is measured on its own under Windows.
#include "bench.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "app/key_record_form.h"
#include "keystore/key_list.h"
#include "sample_data.h"
#include "support/fakes.h"

#if defined(_WIN32)
#include <windows.h>

#include "app/win/key_list_window.h"
#include "keystore/win/win_key_file_cipher.h"
#include "base/win/win_files.h"
#else
#include "openssl_key_file_cipher.h"
#include "support/memory_files.h"
#endif

namespace {

using namespace tollvane;
namespace fs = std::filesystem;

#if defined(_WIN32)
using Files = WinFiles;
using Cipher = WinKeyFileCipher;
#else
using Files = testing::MemoryFiles;
using Cipher = OpenSslKeyFileCipher;
#endif

// Keeps only the number of rows the list would show.
class RowSink : public bench::FieldsOnlyUi {
public:
    RowSink() : FieldsOnlyUi(true) {}
    void ShowRows(KeyListRows r) override { rows = r.Count(); }
    std::size_t rows = 0;
};

// A folder with crkeys.data holding the list, and a key list over it.
struct Fixture {
    explicit Fixture(int records)
        : dir(fs::temp_directory_path() / ("tollvane-keybench-" + std::to_string(records))),
          cipher(files),
          form(t.app),
          list(files, cipher, t.boxes, t.app.texts, t.sleeper, form,
               dir.string() + static_cast<char>(fs::path::preferred_separator)) {
        fs::create_directories(dir);
        {
            const std::string text = bench::KeyListText(records);
            std::unique_ptr<File> plain;
            files.Open(Path("plain"), OpenMode::CreateAlways, plain);
            plain->Write(text.data(), text.size());
        }
        EncryptKeyFile(files, cipher, Path("plain"), Path("original"), kKeyFilePassword);
        files.Delete(Path("plain"));
        Restore();
        list.SetUi(&ui);
    }
    ~Fixture() {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void Restore() { files.Copy(Path("original"), Path(kCrKeysFile)); }
    std::string Path(const char* name) const { return (dir / name).string(); }

    fs::path dir;
    testing::TestApp t;
    Files files;
    Cipher cipher;
    RowSink ui;
    AppKeyRecordForm form;
    KeyList list;
};

void BM_LoadKeyList(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.list.LoadKeyList();
        benchmark::DoNotOptimize(f.ui.rows);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LoadKeyList)->Arg(10000)->Unit(benchmark::kMillisecond);

// The decryption alone, the part of every operation that is not ours.
void BM_DecryptKeyFile(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    const std::string source = (f.dir / kCrKeysFile).string(),
                      target = (f.dir / kKeysFile).string();
    for (auto _ : state) DecryptKeyFile(f.files, f.cipher, source, target, kKeyFilePassword);
    fs::remove(f.dir / kKeysFile);
}
BENCHMARK(BM_DecryptKeyFile)->Arg(10000)->Unit(benchmark::kMillisecond);

// The add itself: the duplicate scan, the append, the encryption and the
// replacement of crkeys.data (the reload after it is BM_LoadKeyList).
void BM_AddKeyRecord(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.Restore();
        state.ResumeTiming();
        benchmark::DoNotOptimize(f.list.AddKeyRecord());
    }
}
BENCHMARK(BM_AddKeyRecord)->Arg(10000)->Unit(benchmark::kMillisecond);

// The removal of a record from the middle and the re-encryption after it.
void BM_RemoveKeyRecord(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        f.Restore();
        state.ResumeTiming();
        f.list.RemoveKeyRecord(static_cast<int>(state.range(0) / 2));
    }
}
BENCHMARK(BM_RemoveKeyRecord)->Arg(10000)->Unit(benchmark::kMillisecond);

#if defined(_WIN32)
// Loading into the window's real list view: the decryption and parsing
// above plus the list view's own filling.
void BM_LoadIntoListView(benchmark::State& state) {
    Fixture f(static_cast<int>(state.range(0)));
    const HWND main = CreateWindowExW(0, L"Static", L"bench", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    {
        KeyListWindow window(f.t.app, f.list);
        window.Open({main});
        for (auto _ : state) f.list.LoadKeyList();
    }
    DestroyWindow(main);
}
BENCHMARK(BM_LoadIntoListView)->Arg(10000)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
