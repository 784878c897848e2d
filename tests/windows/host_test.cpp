// A Windows host of Lorvex.dll, in plain C++ and Win32: it loads the module the way a Windows
// program does, resolves its exports by ordinal and by name, and converts feeds through
// ordinal 1, comparing every record file with the one the native Linux build wrote.
//
//   windows_host_test load
//   windows_host_test exports
//   windows_host_test convert <example feed> <corpus feed folder> <native records> <scratch>
//   windows_host_test cycles <count> <example feed> <scratch>
//   windows_host_test overlapping <calls> <scratch>
//   windows_host_test fulldisk <folder on a small file system>
//   windows_host_test children <scratch>
//   windows_host_test held <scratch>
//   windows_host_test labels <label feeds> <native label records> <scratch>
//   windows_host_test window <scratch>
//
// Each check prints one line; the exit code is 1 when any check failed.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "lorvex.h"

namespace {

namespace fs = std::filesystem;

const wchar_t* const moduleName = L"Lorvex.dll";
int failures = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "ok" : "FAIL", what.c_str());
    if (!ok) ++failures;
}

// A check of a Win32 call, which names the system's error when it fails.
void checkCall(bool ok, const std::string& what) {
    check(ok, ok ? what : what + " (error " + std::to_string(GetLastError()) + ")");
}

std::string narrow(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

// An export as the function or variable pointer it is. GetProcAddress gives every export the
// one type FARPROC, which the language lets us reinterpret only bit for bit.
template <class Pointer>
Pointer as(FARPROC address) {
    static_assert(sizeof(Pointer) == sizeof address);
    Pointer pointer;
    std::memcpy(&pointer, &address, sizeof address);
    return pointer;
}

FARPROC byOrdinal(HMODULE module, WORD ordinal) {
    return GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
}

// The member functions of CVarnel as a host without the class calls them: the object is passed
// as the first argument (on x86 in ECX, the thiscall convention that GCC and MSVC share for
// member functions), and a returned reference is the object's address.
// GCC applies thiscall to a plain function's type but warns that it is meant for members.
#if defined(__i386__)
#define LORVEX_MEMBER_CALL __attribute__((thiscall))
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wattributes"
#else
#define LORVEX_MEMBER_CALL
#endif
using Constructor = void(LORVEX_MEMBER_CALL*)(void* object);
using Assignment = void*(LORVEX_MEMBER_CALL*)(void* object, const void* source);
#if defined(__i386__)
#pragma GCC diagnostic pop
#endif
using ConvertFileFunction = decltype(&ConvertFile);
using FnVarnelFunction = decltype(&fnVarnel);

DWORD CALLBACK idleThread(void*) {
    return 0;
}

// Load and unload with no call in between; a thread started and ended meanwhile brings the entry
// handler its thread attach and detach notifications.
void loadAndUnload() {
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module) return;
    HANDLE thread = CreateThread(nullptr, 0, idleThread, nullptr, 0, nullptr);
    checkCall(thread != nullptr, "a thread starts while the module is loaded");
    if (thread) {
        check(WaitForSingleObject(thread, INFINITE) == WAIT_OBJECT_0, "the thread ends");
        CloseHandle(thread);
    }
    checkCall(FreeLibrary(module) != 0, "Lorvex.dll unloads");
    check(GetModuleHandleW(moduleName) == nullptr, "Lorvex.dll is gone after unloading");
}

void checkVersionResource(HMODULE module) {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(module, path, MAX_PATH);
    DWORD size = GetFileVersionInfoSizeW(path, nullptr);
    std::vector<char> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    bool found = size > 0 && GetFileVersionInfoW(path, 0, size, info.data()) &&
                 VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
                 length >= sizeof *fixed;
    checkCall(found, "Lorvex.dll carries a version resource");
    if (!found) return;
    DWORD major = HIWORD(fixed->dwFileVersionMS), minor = LOWORD(fixed->dwFileVersionMS);
    DWORD patch = HIWORD(fixed->dwFileVersionLS);
    check(major == LORVEX_VERSION_MAJOR && minor == LORVEX_VERSION_MINOR &&
              patch == LORVEX_VERSION_PATCH,
          "its file version " + std::to_string(major) + "." + std::to_string(minor) + "." +
              std::to_string(patch) + " is the header's");
}

void resolveExports() {
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module) return;

    struct Export {
        WORD ordinal;
        const char* name;
    };
    const Export table[] = {
        {1, "ConvertFile"},  {2, "_ZN7CVarnelC1Ev"}, {3, "_ZN7CVarnelaSERKS_"},
        {4, "_Z8fnVarnelv"}, {5, "nVarnel"},
    };
    FARPROC address[6] = {};
    bool all = true;
    for (const Export& entry : table) {
        FARPROC numbered = byOrdinal(module, entry.ordinal);
        FARPROC named = GetProcAddress(module, entry.name);
        std::string label = "ordinal " + std::to_string(entry.ordinal) + " and " + entry.name;
        check(numbered != nullptr && numbered == named, label + " resolve to one address");
        address[entry.ordinal] = numbered;
        all = all && numbered != nullptr && numbered == named;
    }
    check(byOrdinal(module, 6) == nullptr, "there is no ordinal 6");
    if (all) {
        auto fn = as<FnVarnelFunction>(address[4]);
        bool always42 = true;
        for (int call = 0; call < 5; ++call)
            always42 = always42 && fn() == 42;
        check(always42, "fnVarnel returns 42 on each of five calls");

        check(*as<int*>(address[5]) == 0, "nVarnel reads 0 after load");

        unsigned char object = 0x5A;
        as<Constructor>(address[2])(&object);
        check(object == 0x5A, "the CVarnel constructor leaves the object's byte as it was");

        unsigned char target = 0x11, source = 0xA5;
        void* result = as<Assignment>(address[3])(&target, &source);
        check(result == &target, "CVarnel assignment returns the target");
        check(target == 0xA5 && source == 0xA5, "CVarnel assignment copies the source's byte");
    }
    checkVersionResource(module);
    checkCall(FreeLibrary(module) != 0, "Lorvex.dll unloads");
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The native count, or -2 when there is none (ConvertFile itself never returns -2).
int readCount(const fs::path& path) {
    std::ifstream in(path);
    int count = -2;
    in >> count;
    return in ? count : -2;
}

unsigned unitAt(const std::string& bytes, std::size_t unit) {
    return static_cast<unsigned char>(bytes[2 * unit]) |
           static_cast<unsigned char>(bytes[2 * unit + 1]) << 8;
}

// The first few characters where the two record files differ, one line each.
std::string differences(const std::string& onLinux, const std::string& onWindows) {
    std::string lines;
    std::size_t units = std::min(onLinux.size(), onWindows.size()) / 2, shown = 0, found = 0;
    for (std::size_t unit = 0; unit < units; ++unit) {
        unsigned a = unitAt(onLinux, unit), b = unitAt(onWindows, unit);
        if (a == b || ++found > 8) continue;
        char line[96];
        std::snprintf(line, sizeof line,
                      "\n    character %zu (record %zu, column %zu): Linux U+%04X, Windows U+%04X",
                      unit, unit / 550, unit % 550, a, b);
        lines += line;
        ++shown;
    }
    if (found > shown)
        lines += "\n    ... " + std::to_string(found) + " differing characters in all";
    if (onLinux.size() != onWindows.size()) {
        lines += "\n    Linux wrote " + std::to_string(onLinux.size()) + " bytes, Windows " +
                 std::to_string(onWindows.size());
    }
    return lines;
}

// The corpus feeds that declare a legacy encoding. Each system decodes those with its own
// converter (iconv on Linux, MultiByteToWideChar on Windows), and two converters may map a byte
// differently. On these feeds they agree on every byte, so they are held to the same exact match;
// when one fails, look at the converters before the conversion.
struct LegacyFeed {
    const char* name;
    const char* encoding;
};
constexpr LegacyFeed legacyFeeds[] = {
    {"feedparser__encoding_euc-kr-item.xml", "euc-kr"},
    {"miniflux__encoding_WINDOWS-1251.xml", "windows-1251"},
    {"miniflux__koi8r.xml", "koi8-r"},
    {"nodefeedparser__iconv.xml", "windows-1251"},
    {"rssparser__encoding-gb2312.xml", "gb2312"},
    {"rssparser__latin2.rss", "iso-8859-2"},
};

const LegacyFeed* legacyFeed(const std::string& name) {
    for (const LegacyFeed& feed : legacyFeeds)
        if (name == feed.name) return &feed;
    return nullptr;
}

// Converts feed through ordinal 1 and compares the count and the record file with the native
// build's for the same feed, named after it.
void compareConversion(ConvertFileFunction convert, const fs::path& feed, const fs::path& output,
                       const fs::path& native, const std::string& name) {
    int count = convert(feed.c_str(), output.c_str());
    int nativeCount = readCount(native / (name + ".count"));
    if (nativeCount == -2) {
        check(false, name + ": the native build's records are missing from " + native.string());
        return;
    }
    std::string onLinux = readFile(native / (name + ".rec"));
    std::string onWindows = count < 0 ? std::string() : readFile(output);
    if (nativeCount < 0) onLinux.clear();  // a failed conversion's output is not compared

    std::string label = narrow(feed.filename().wstring());
    if (label != name) label += " (a copy of " + name + ")";
    std::string what = label + ": " + std::to_string(count) + " records";
    if (count != nativeCount) what += ", Linux wrote " + std::to_string(nativeCount);
    if (onLinux != onWindows) what += ", record files differ" + differences(onLinux, onWindows);
    const LegacyFeed* legacy = legacyFeed(name);
    if (legacy) what += " (" + std::string(legacy->encoding) + ", each system's own converter)";
    check(count == nativeCount && onLinux == onWindows, what);
}

void convertFeeds(const fs::path& example, const fs::path& corpus, const fs::path& native,
                  const fs::path& scratch) {
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module) return;
    auto convert = as<ConvertFileFunction>(byOrdinal(module, 1));
    check(convert != nullptr, "ordinal 1 resolves");
    if (convert) {
        fs::create_directories(scratch);
        const std::string exampleName = example.filename().string();
        compareConversion(convert, example, scratch / (exampleName + ".rec"), native, exampleName);

        // The example again, read and written under names that only wide paths can carry.
        fs::path wideFeed = scratch / L"\u00FCbersicht-\u65E5\u672C\u8A9E-\u0394.xml";
        fs::path wideOutput = scratch / L"r\u00E9cits-\u0436\u0443\u0440\u043D\u0430\u043B.rec";
        checkCall(CopyFileW(example.c_str(), wideFeed.c_str(), FALSE) != 0,
                  "the example is copied to " + narrow(wideFeed.filename().wstring()));
        compareConversion(convert, wideFeed, wideOutput, native, exampleName);
        check(fs::exists(wideOutput),
              "the record file has its non-ASCII name " + narrow(wideOutput.filename().wstring()));

        std::vector<fs::path> feeds;
        std::error_code error;
        if (!fs::is_directory(corpus, error)) {
            std::printf("skip: no corpus at %s\n", corpus.string().c_str());
        } else {
            for (const auto& entry : fs::directory_iterator(corpus))
                if (entry.is_regular_file()) feeds.push_back(entry.path());
            std::sort(feeds.begin(), feeds.end());
            for (const fs::path& feed : feeds) {
                std::string name = feed.filename().string();
                compareConversion(convert, feed, scratch / (name + ".rec"), native, name);
            }
        }

        // Every feed the native build converted was compared here too.
        std::size_t nativeFeeds = 0;
        for (const auto& entry : fs::directory_iterator(native))
            nativeFeeds += entry.path().extension() == ".count";
        check(nativeFeeds == feeds.size() + 1,
              "the " + std::to_string(feeds.size() + 1) +
                  " feeds compared are all that Linux converted (" + std::to_string(nativeFeeds) +
                  ")");
    }
    checkCall(FreeLibrary(module) != 0, "Lorvex.dll unloads");
}

// A feed of count items like the example's first, each accepted: count records.
std::string feedOf(int count) {
    std::string feed = "<rss><channel>\n";
    for (int i = 0; i < count; ++i) {
        feed += "<item><title>Item " + std::to_string(i) +
                "</title><description>A summary.</description>"
                "<pubDate>Mon, 07 Dec 2026</pubDate></item>\n";
    }
    return feed + "</channel></rss>\n";
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The first thread-local slot free to the host now.
DWORD freeTlsSlot() {
    DWORD slot = TlsAlloc();
    if (slot != TLS_OUT_OF_INDEXES) TlsFree(slot);
    return slot;
}

// The value the next handle of the process gets: Windows hands out the lowest free one, so it
// grows only where handles are kept.
std::uintptr_t nextHandle() {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    CloseHandle(event);
    return reinterpret_cast<std::uintptr_t>(event);
}

// The memory committed to the process alone.
std::size_t privateBytes() {
    std::size_t bytes = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) bytes += region.RegionSize;
    }
    return bytes;
}

// A host that loads the module for each job and unloads it after: whatever the module takes
// from the process (thread-local slots, handles, memory) must come back at each unload.
void cycleModule(int cycles, const fs::path& feed, const fs::path& scratch) {
    fs::create_directories(scratch);
    const fs::path output = scratch / "cycle.rec";
    const DWORD firstSlot = freeTlsSlot();
    std::uintptr_t handle = 0;
    std::size_t memory = 0;
    int failedAt = 0;
    for (int cycle = 1; cycle <= cycles && failedAt == 0; ++cycle) {
        HMODULE module = LoadLibraryW(moduleName);
        auto convert = module ? as<ConvertFileFunction>(byOrdinal(module, 1)) : nullptr;
        int records = convert ? convert(feed.c_str(), output.c_str()) : -1;
        bool unloaded = module != nullptr && FreeLibrary(module);
        if (records != 5 || !unloaded || freeTlsSlot() == TLS_OUT_OF_INDEXES) failedAt = cycle;
        if (cycle == 10) {
            handle = nextHandle();
            memory = privateBytes();
        }
    }
    check(failedAt == 0, std::to_string(cycles) + " cycles of load, convert and unload" +
                             (failedAt ? " (cycle " + std::to_string(failedAt) + " failed)" : ""));
    DWORD lastSlot = freeTlsSlot();
    check(lastSlot == firstSlot, "the host's first free thread-local slot is " +
                                     std::to_string(firstSlot) + " before and " +
                                     std::to_string(lastSlot) + " after");
    std::uintptr_t handleAfter = nextHandle();
    check(handleAfter <= handle, "no handle is kept: the next is " + std::to_string(handle) +
                                     " after 10 cycles, " + std::to_string(handleAfter) +
                                     " at the end");
    std::size_t memoryAfter = privateBytes();
    check(memoryAfter <= memory + (1u << 20),
          "private memory stays flat: " + std::to_string(memory >> 10) + " KiB after 10 cycles, " +
              std::to_string(memoryAfter >> 10) + " KiB at the end");
}

// Many calls at once, each with its own files open: no table of the C runtime's limits them.
// Each output is shared by two calls, and none finds it there: they race to create it and to
// replace it.
void overlap(int calls, const fs::path& scratch) {
    fs::create_directories(scratch);
    const fs::path feed = scratch / "overlap.xml";
    writeFile(feed, feedOf(2000));  // long enough for the calls to overlap
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module) return;
    auto convert = as<ConvertFileFunction>(byOrdinal(module, 1));
    HANDLE start = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> inFlight{0}, most{0}, wrong{0};
    std::atomic<DWORD> firstError{0};
    std::vector<std::thread> threads;
    for (int call = 0; call < calls; ++call) {
        threads.emplace_back([&, call] {
            WaitForSingleObject(start, INFINITE);
            fs::path output = scratch / ("overlap-" + std::to_string(call % 500) + ".rec");
            int now = ++inFlight;
            for (int seen = most; now > seen && !most.compare_exchange_weak(seen, now);) {
            }
            int records = convert(feed.c_str(), output.c_str());
            --inFlight;
            if (records != 2000) {
                DWORD error = GetLastError(), none = 0;
                firstError.compare_exchange_strong(none, error);
                ++wrong;
            }
        });
    }
    SetEvent(start);
    for (std::thread& thread : threads)
        thread.join();
    CloseHandle(start);
    for (int shared = 0; shared < std::min(calls, 500); ++shared) {
        fs::path output = scratch / ("overlap-" + std::to_string(shared) + ".rec");
        if (fs::file_size(output) != 2000u * 1100u) ++wrong;
        fs::remove(output);
    }
    check(wrong == 0, std::to_string(calls) + " overlapping calls each wrote all 2000 records (" +
                          std::to_string(wrong) + " did not, the first with error " +
                          std::to_string(firstError) + "; at most " + std::to_string(most) +
                          " were in flight at once)");
    FreeLibrary(module);
}

// The room left on the disk that holds folder. (std::filesystem::space asks about the drive's
// root under Wine, not the mounted folder.)
std::uintmax_t freeSpace(const fs::path& folder) {
    ULARGE_INTEGER available{};
    GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr);
    return available.QuadPart;
}

// A handle of a program that holds the file open for reading and writing, but not for its
// deletion: the output cannot be replaced, only written over.
HANDLE holdWithoutDeleting(const fs::path& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// On a full disk a call fails with the disk's own error and leaves the old output whole, or
// converts in full; never a count with a torn or empty file, and never a temporary left behind.
// So too when another program holds the output, and the records are copied over it.
void fillDisk(const fs::path& folder) {
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module) return;
    auto convert = as<ConvertFileFunction>(byOrdinal(module, 1));
    const std::string old = "the old records";
    int combinations = 0, converted = 0;
    for (int records : {1, 3, 15, 60}) {
        const std::string feed = feedOf(records);
        for (std::uintmax_t room : {0u, 1100u, 4096u, 16384u, 65536u})
            for (bool held : {false, true}) {
                fs::remove_all(folder / "case");
                fs::create_directories(folder / "case");
                writeFile(folder / "case" / "feed.xml", feed);
                writeFile(folder / "case" / "out.rec", old);
                // Fill the disk up to the room wanted, a page at a time.
                std::ofstream filler(folder / "case" / "filler", std::ios::binary);
                std::string page(4096, 'x');
                while (freeSpace(folder) > room + page.size() && filler.write(page.data(), 4096) &&
                       filler.flush()) {
                }
                filler.close();
                HANDLE holder = held ? holdWithoutDeleting(folder / "case" / "out.rec") : nullptr;
                SetLastError(0);
                int result = convert((folder / "case" / "feed.xml").c_str(),
                                     (folder / "case" / "out.rec").c_str());
                DWORD error = GetLastError();
                if (holder != nullptr && holder != INVALID_HANDLE_VALUE) CloseHandle(holder);
                std::string out = readFile(folder / "case" / "out.rec");
                std::size_t files = 0;
                for (const auto& entry : fs::directory_iterator(folder / "case"))
                    files += entry.is_regular_file();
                std::string what = std::to_string(records) + " records with " +
                                   std::to_string(room) + " bytes free" +
                                   (held ? ", the output held: " : ": ");
                if (result == records) {
                    ++converted;
                    check(out.size() == static_cast<std::size_t>(records) * 1100 && files == 3,
                          what + "converted whole");
                } else {
                    check(result == -1 && out == old && files == 3 &&
                              (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL),
                          what + "-1 (error " + std::to_string(error) + "), the old output kept");
                }
                ++combinations;
            }
    }
    std::printf("%d combinations, %d converted, %d refused\n", combinations, converted,
                combinations - converted);
    fs::remove_all(folder / "case");
    FreeLibrary(module);
}

std::set<std::wstring> namesIn(const fs::path& folder) {
    std::set<std::wstring> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().wstring());
    return names;
}

// The paths beside the main one. Two calls onto an output that another program holds (so that
// the records are copied over it) end as one of them alone would have, and leave nothing behind;
// the output's hidden and system attributes outlive a replacement; a read-only output is refused
// at once, and during a conversion, readers that share reading alone may open the old output.
void besideTheMainPath(const fs::path& scratch) {
    fs::create_directories(scratch);
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module) return;
    auto convert = as<ConvertFileFunction>(byOrdinal(module, 1));
    const fs::path a = scratch / "a.xml", b = scratch / "b.xml", out = scratch / "out.rec";
    writeFile(a, feedOf(3000));
    writeFile(b, feedOf(2000) + feedOf(2000));
    convert(a.c_str(), (scratch / "a.rec").c_str());
    convert(b.c_str(), (scratch / "b.rec").c_str());
    const std::string aRecords = readFile(scratch / "a.rec"),
                      bRecords = readFile(scratch / "b.rec");
    const std::set<std::wstring> files = {L"a.xml", L"b.xml", L"a.rec", L"b.rec", L"out.rec"};
    int whole = 0, rounds = 8;
    for (int round = 0; round < rounds; ++round) {
        writeFile(out, "the old records");
        HANDLE holder = holdWithoutDeleting(out);
        int first = 0, second = 0;
        std::thread one([&] { first = convert(a.c_str(), out.c_str()); });
        std::thread two([&] { second = convert(b.c_str(), out.c_str()); });
        one.join();
        two.join();
        CloseHandle(holder);
        std::string records = readFile(out);
        whole += first == 3000 && second == 4000 && (records == aRecords || records == bRecords);
    }
    check(whole == rounds, std::to_string(whole) + " of " + std::to_string(rounds) +
                               " rounds of two calls onto a held output left one whole");
    check(namesIn(scratch) == files, "the calls onto a held output left no file behind");

    writeFile(out, "the old records");
    SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    int records = convert(a.c_str(), out.c_str());
    DWORD attributes = GetFileAttributesW(out.c_str());
    check(records == 3000 && attributes != INVALID_FILE_ATTRIBUTES &&
              (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) ==
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
          "a hidden system output is replaced and stays hidden and system");
    SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_NORMAL);
    const fs::path folder = scratch / "folder";
    fs::create_directory(folder);
    SetLastError(0);
    records = convert(b.c_str(), folder.c_str());
    DWORD error = GetLastError();
    check(records == -1 && error != 0 && fs::is_directory(folder) && fs::is_empty(folder),
          "a folder as the output is refused (error " + std::to_string(error) + ")");
    fs::remove(folder);
    check(namesIn(scratch) == files, "the refused call left no file behind");

    // The feed comes through a pipe, so that the conversion waits midway while a reader opens.
    const std::wstring pipeName =
        L"\\\\.\\pipe\\lorvex-readers-" + std::to_wstring(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND,
                                   PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16, 1 << 16, 0, nullptr);
    records = 0;
    std::thread conversion([&] { records = convert(pipeName.c_str(), out.c_str()); });
    ConnectNamedPipe(pipe, nullptr);
    const std::string feed = feedOf(100);
    DWORD put = 0;
    WriteFile(pipe, feed.data(), static_cast<DWORD>(feed.size() / 2), &put, nullptr);
    // Once its temporary is there, the conversion is under way.
    auto temporaries = [&] {
        int count = 0;
        for (const std::wstring& name : namesIn(scratch))
            count += name.starts_with(L".out.rec.");
        return count;
    };
    for (int wait = 0; wait < 1000 && temporaries() == 0; ++wait)
        Sleep(5);
    HANDLE reader = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    bool opened = reader != INVALID_HANDLE_VALUE;
    DWORD refusal = opened ? 0 : GetLastError();
    if (opened) CloseHandle(reader);
    WriteFile(pipe, feed.data() + put, static_cast<DWORD>(feed.size() - put), &put, nullptr);
    FlushFileBuffers(pipe);
    CloseHandle(pipe);
    conversion.join();
    check(opened && records == 100,
          "a reader that shares reading alone opens the old output during a conversion (" +
              (opened ? std::string("opened") : "refused: " + std::to_string(refusal)) + ", " +
              std::to_string(records) + " records)");

    // A dangling symbolic link stays, and the file it names is created, as on POSIX.
    const fs::path link = scratch / "link.rec", named = scratch / "named.rec";
    const DWORD unprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    // (Wine 8's CreateSymbolicLinkW says yes and makes nothing.)
    bool made = CreateSymbolicLinkW(link.c_str(), L"named.rec", unprivileged) ||
                CreateSymbolicLinkW(link.c_str(), L"named.rec", 0);
    if (made && GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
        records = convert(a.c_str(), link.c_str());
        DWORD linkAttributes = GetFileAttributesW(link.c_str());
        check(records == 3000 && linkAttributes != INVALID_FILE_ATTRIBUTES &&
                  (linkAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                  readFile(named) == aRecords,
              "a dangling symbolic link stays, and the file it names receives the records (" +
                  std::to_string(records) + " records, the link's attributes " +
                  std::to_string(linkAttributes) + ")");
        DeleteFileW(link.c_str());
        DeleteFileW(named.c_str());
    } else {
        std::printf("skipped: no symbolic link can be made here\n");
    }
    FreeLibrary(module);
}

// Whether nobody else holds the file open: an open that shares nothing then succeeds.
bool heldByNobody(const fs::path& path) {
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CloseHandle(handle);
    return true;
}

// Children that inherit the host's handles, started while a conversion has its files open, hold
// none of them: the host may use its files as it likes while the children live. The feed comes
// through a pipe, so that the conversion waits, its files open, while the children start.
void startChildren(const fs::path& scratch) {
    fs::create_directories(scratch);
    const fs::path output = scratch / "children.rec", moved = scratch / "children-moved.rec";
    const std::wstring pipeName =
        L"\\\\.\\pipe\\lorvex-children-" + std::to_wstring(GetCurrentProcessId());
    HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND,
                                   PIPE_TYPE_BYTE | PIPE_WAIT, 1, 1 << 16, 1 << 16, 0, nullptr);
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr && pipe != INVALID_HANDLE_VALUE, "Lorvex.dll loads, a pipe opens");
    if (!module || pipe == INVALID_HANDLE_VALUE) return;
    auto convert = as<ConvertFileFunction>(byOrdinal(module, 1));
    int records = 0;
    std::thread conversion([&] { records = convert(pipeName.c_str(), output.c_str()); });
    ConnectNamedPipe(pipe, nullptr);
    const std::string feed = feedOf(100);
    DWORD put = 0;
    WriteFile(pipe, feed.data(), static_cast<DWORD>(feed.size() / 2), &put, nullptr);

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::vector<HANDLE> children;
    for (int child = 0; child < 3; ++child) {
        std::wstring line = L"\"" + std::wstring(self) + L"\" sleep 5000";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &started)) {
            CloseHandle(started.hThread);
            children.push_back(started.hProcess);
        }
    }
    WriteFile(pipe, feed.data() + put, static_cast<DWORD>(feed.size() - put), &put, nullptr);
    FlushFileBuffers(pipe);
    CloseHandle(pipe);
    conversion.join();
    check(children.size() == 3 && records == 100,
          "the conversion wrote its records while 3 children were started with inherited handles");
    check(heldByNobody(output), "no child holds the output open");
    checkCall(MoveFileExW(output.c_str(), moved.c_str(), MOVEFILE_REPLACE_EXISTING) != 0 &&
                  DeleteFileW(moved.c_str()) != 0,
              "the output is renamed and deleted while the children live");
    for (HANDLE child : children) {
        TerminateProcess(child, 0);
        CloseHandle(child);
    }
    FreeLibrary(module);
}

// The encodings whose converters decode some bytes differently on Linux (glibc iconv) and on
// Windows (MultiByteToWideChar, here Wine's), each with the difference: the feeds of their labels
// must give as many records on both, but may differ in those characters.
struct ConverterDifference {
    const char* encoding;
    const char* difference;
};
constexpr ConverterDifference converterDifferences[] = {
    {"euc-kr",
     "glibc's CP949 skips some unassigned pairs (A2 E8) whole; the others reject their first "
     "byte alone"},
};

const ConverterDifference* converterDifference(const std::string& encoding) {
    for (const ConverterDifference& known : converterDifferences)
        if (encoding == known.encoding) return &known;
    return nullptr;
}

struct Records {
    int count;
    std::string bytes;
    bool operator==(const Records&) const = default;
};

// Whether Lorvex.dll may read a feed in this code page as UTF-8: the system lacks the page, or
// its converter keeps a shift state (more than two bytes a character, GB18030 aside) and so
// cannot say which byte it rejects.
bool codePageMissing(unsigned page) {
    CPINFO info;
    return !GetCPInfo(page, &info) || (info.MaxCharSize > 2 && page != 54936);
}

// Whether every record of the two files holds as many '<' as its fellow. The label feeds put a
// '<' only where both converters read one, so a record with more holds text from past a tag that
// a lead byte took with it.
bool sameTagCharacters(const std::string& onLinux, const std::string& onWindows) {
    if (onLinux.size() != onWindows.size()) return false;
    const std::size_t recordUnits = 550;
    for (std::size_t start = 0; start < onLinux.size() / 2; start += recordUnits) {
        int balance = 0;
        for (std::size_t unit = start; unit < start + recordUnits && unit < onLinux.size() / 2;
             ++unit) {
            balance += unitAt(onLinux, unit) == '<';
            balance -= unitAt(onWindows, unit) == '<';
        }
        if (balance != 0) return false;
    }
    return true;
}

Records nativeRecords(const fs::path& native, const std::string& feed) {
    int count = readCount(native / (feed + ".count"));
    return {count, count < 0 ? std::string() : readFile(native / (feed + ".rec"))};
}

// Converts the feed of every label through ordinal 1 and compares its records with Linux's. A
// label whose encoding one system lacks gives there what the same feed gives under a UTF-8
// declaration: reported, not failed. One whose converters differ in a few characters (listed
// above) must still give as many records, each with its tags where Linux has them.
void compareLabels(const fs::path& feeds, const fs::path& native, const fs::path& scratch) {
    std::ifstream manifest(feeds / "labels.txt");
    check(manifest.good(), "the label feeds are listed in " + (feeds / "labels.txt").string());
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module || !manifest) return;
    auto convert = as<ConvertFileFunction>(byOrdinal(module, 1));
    check(convert != nullptr, "ordinal 1 resolves");
    if (convert) {
        fs::create_directories(scratch);
        const Records asUtf8[] = {nativeRecords(native, "as-utf8-short.xml"),
                                  nativeRecords(native, "as-utf8-full.xml")};
        int labels = 0, identical = 0, windowsLacks = 0, linuxLacks = 0, known = 0;
        std::string line;
        while (std::getline(manifest, line)) {
            std::istringstream fields(line);
            std::string feed, label, encoding, kind, iconv, body;
            unsigned page = 0;
            if (!(fields >> feed >> label >> encoding >> kind >> page >> iconv >> body)) continue;
            ++labels;
            fs::path output = scratch / (feed + ".rec");
            int count = convert((feeds / feed).c_str(), output.c_str());
            Records onWindows{count, count < 0 ? std::string() : readFile(output)};
            Records onLinux = nativeRecords(native, feed);
            const Records& utf8 = asUtf8[body == "full"];
            std::string what = label + " (" + encoding + ")";
            bool legacy = kind == "legacy";
            const ConverterDifference* difference = converterDifference(encoding);
            if (onWindows == onLinux) {
                ++identical;
                check(true, what + ": " + std::to_string(count) + " records, as on Linux");
            } else if (legacy && onWindows == utf8 && codePageMissing(page)) {
                ++windowsLacks;
                std::printf("lacks: %s: Windows lacks code page %u and reads the feed as UTF-8\n",
                            what.c_str(), page);
            } else if (legacy && onLinux == utf8) {
                ++linuxLacks;
                std::printf("lacks: %s: glibc lacks %s and reads the feed as UTF-8\n", what.c_str(),
                            iconv.c_str());
            } else if (difference != nullptr && onWindows.count == onLinux.count &&
                       sameTagCharacters(onLinux.bytes, onWindows.bytes)) {
                ++known;
                std::printf("differs: %s: %s%s\n", what.c_str(), difference->difference,
                            differences(onLinux.bytes, onWindows.bytes).c_str());
            } else {
                std::string why = std::to_string(count) + " records";
                if (count != onLinux.count) why += ", Linux wrote " + std::to_string(onLinux.count);
                if (!sameTagCharacters(onLinux.bytes, onWindows.bytes)) {
                    why +=
                        ", a record holds a '<' more or less than Linux's: a tag went into a field";
                } else if (difference == nullptr) {
                    why += ", record files differ";
                }
                check(false, what + ": " + why + differences(onLinux.bytes, onWindows.bytes));
            }
        }
        check(labels > 100, std::to_string(labels) + " labels: " + std::to_string(identical) +
                                " give Linux's records, " + std::to_string(known) +
                                " differ where the converters do, " + std::to_string(windowsLacks) +
                                " name an encoding Windows lacks, " + std::to_string(linuxLacks) +
                                " one glibc lacks");
    }
    checkCall(FreeLibrary(module) != 0, "Lorvex.dll unloads");
}

// A feed of one item whose description is length NUL bytes, closed or never closed. The NULs are
// the file's extension past its written end, so making the feed writes a few bytes only.
bool writeLongItem(const fs::path& path, std::uint64_t length, bool closed) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    auto write = [&](const std::string& bytes) {
        DWORD written = 0;
        return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    };
    const std::string head = " <item><title>Long</title><description>";
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(head.size() + length);
    bool ok = write(head) && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    if (closed) {
        ok = ok && write("</description><pubDate>Mon, 07 Dec 2026 09:00:00 GMT</pubDate></item>");
    }
    CloseHandle(file);
    return ok;
}

// The window that one item needs, at the 1 GiB cap, in the address space the host has: a
// description just under the cap converts, one past it fails with ERROR_FILE_TOO_LARGE, and when
// the address space has no room for the window (a 32-bit host: the test reserves all its large
// free blocks first) the call fails with ERROR_NOT_ENOUGH_MEMORY. A failure keeps the old output.
void windowCap(const fs::path& scratch) {
    fs::create_directories(scratch);
    HMODULE module = LoadLibraryW(moduleName);
    checkCall(module != nullptr, "Lorvex.dll loads");
    if (!module) return;
    auto convert = as<ConvertFileFunction>(byOrdinal(module, 1));
    const std::uint64_t cap = std::uint64_t{1} << 30;
    const fs::path output = scratch / "out.rec";
    const std::string old = "the old records";
    auto attempt = [&](const fs::path& feed, int expected, DWORD error, const std::string& what) {
        writeFile(output, old);
        SetLastError(0);
        int result = convert(feed.c_str(), output.c_str());
        DWORD got = GetLastError();
        bool ok = result == expected && (expected >= 0 || got == error);
        if (expected < 0) ok = ok && readFile(output) == old;
        check(ok, what + ": returned " + std::to_string(result) + ", error " + std::to_string(got));
    };

    const fs::path fits = scratch / "fits.xml", endless = scratch / "endless.xml";
    checkCall(writeLongItem(fits, cap - (std::uint64_t{1} << 20), true) &&
                  writeLongItem(endless, cap + (std::uint64_t{1} << 20), false),
              "the long feeds are written");
    attempt(fits, 1, 0, "a description 1 MiB short of the cap converts");
    attempt(endless, -1, ERROR_FILE_TOO_LARGE, "one past the cap fails as too large");

    if (sizeof(void*) == 4) {
        // Take every free block of 64 MiB or more, so the window cannot grow past that.
        std::vector<void*> held;
        for (SIZE_T size = SIZE_T{1} << 30; size >= (SIZE_T{64} << 20);) {
            void* block = VirtualAlloc(nullptr, size, MEM_RESERVE, PAGE_NOACCESS);
            if (block) {
                held.push_back(block);
            } else {
                size /= 2;
            }
        }
        attempt(fits, -1, ERROR_NOT_ENOUGH_MEMORY,
                "with no 64 MiB of address space free, it fails as out of memory");
        for (void* block : held)
            VirtualFree(block, 0, MEM_RELEASE);
    }
    fs::remove(fits);
    fs::remove(endless);
    checkCall(FreeLibrary(module) != 0, "Lorvex.dll unloads");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"load" && argc == 2) {
        loadAndUnload();
    } else if (mode == L"exports" && argc == 2) {
        resolveExports();
    } else if (mode == L"convert" && argc == 6) {
        convertFeeds(argv[2], argv[3], argv[4], argv[5]);
    } else if (mode == L"cycles" && argc == 5) {
        cycleModule(_wtoi(argv[2]), argv[3], argv[4]);
    } else if (mode == L"overlapping" && argc == 4) {
        overlap(_wtoi(argv[2]), argv[3]);
    } else if (mode == L"fulldisk" && argc == 3) {
        fillDisk(argv[2]);
    } else if (mode == L"children" && argc == 3) {
        startChildren(argv[2]);
    } else if (mode == L"held" && argc == 3) {
        besideTheMainPath(argv[2]);
    } else if (mode == L"sleep" && argc == 3) {
        Sleep(static_cast<DWORD>(_wtoi(argv[2])));
    } else if (mode == L"labels" && argc == 5) {
        compareLabels(argv[2], argv[3], argv[4]);
    } else if (mode == L"window" && argc == 3) {
        windowCap(argv[2]);
    } else {
        std::fprintf(stderr,
                     "usage: windows_host_test load | exports | convert <example feed> "
                     "<corpus feed folder> <native records> <scratch folder> | cycles <count> "
                     "<example feed> <scratch> | overlapping <calls> <scratch> | "
                     "fulldisk <folder> | children <scratch> | held <scratch> | labels <label "
                     "feeds> <native label records> <scratch folder> | window <scratch>\n");
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
