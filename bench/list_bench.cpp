// List benchmark: the real main window on generated folders of frames with
// real JPEG thumbnails (160x120, 120x160 and 640x480 in turn), measuring what
// a user waits for, beside the floor of the same frames in the same run:
//   - rows shown: from choosing the folder to its rows painted, pictures pending;
//   - first screen: from choosing the folder to its rows in view painted
//     with their thumbnails (the folder's records were never read before,
//     and the frame store is a new one, as at the first launch ever);
//   - all thumbnails: from choosing the folder to the last thumbnail;
//   - the same three with the frame store filled by that first fill and
//     opened again, nothing in memory, as at a later launch; then a jump to
//     the last row until its thumbnails show, and the memory the window
//     then holds beyond what it held on an empty folder (as Linux counts it);
//   - re-sort: the sort command (paper, then title) with the repaint;
//   - F5 unchanged: the refresh command until every thumbnail is back;
//   - F5 after 10 frames changed: the same after 10 JPEGs and titles changed;
//   - add 100 frames to the companion's folder, move them back, delete 100,
//     each until both lists show it, with the library folder open in the tree;
//   - the tree's share: F5's tree part alone, the tree's patch after adding
//     100 frames (one call per folder against one call for all), and 100
//     folders appearing in a folder the tree has loaded, with the repaint.
// The floor is one read of each frame file plus a bare libjpeg decode of its
// JPEG, scaled down by libjpeg as far as the 64-pixel cell allows. Floor and
// program runs are interleaved; figures are the minimum and the median.
//   cmake --build build/win64 -j2 --target list_bench    (or build/win32)
//   build/win64/wine-run.sh build/win64/list_bench.exe [runs] [count...]    (default 5 100 1000 10000)
// It draws, so it needs a display (wine-run.sh starts a private Xvfb when
// $DISPLAY is empty). Prints figures only; asserts nothing.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../tools/DemoLibrary.h"
#include "app/App.h"
#include "app/MessageBox.h"
#include "choosers/FolderTree.h"
#include "frames/FrameInfoCache.h"
#include "frames/FrameStore.h"
#include "frames/JpegLib.h"
#include "resource.h"
#include "ui/MainDlg.h"
#include "win/Handles.h"
#include "ops/FrameScan.h"
#include "win/TwoThreads.h"

namespace {

struct Shape {
    int width, height;
};
constexpr Shape kShapes[] = {{160, 120}, {120, 160}, {640, 480}};
constexpr int kChangedFrames = 10;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / frequency.QuadPart;
}

// ---- the floor -------------------------------------------------------------

struct DecodeErrors {
    struct jpeg_error_mgr pub;
    jmp_buf jump;
};
void DecodeErrorExit(j_common_ptr cinfo) {
    longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->jump, 1);
}
void DecodeSilence(j_common_ptr) {}

// Decodes into memory at the smallest DCT scale whose picture still covers
// its fitted rectangle in a 64x64 cell. Only plain C objects between setjmp
// and the jump. Returns the bytes decoded, 0 on error.
size_t ScaledDecode(FILE* input, unsigned char* rows, size_t capacity) {
    struct jpeg_decompress_struct cinfo;
    struct DecodeErrors errors;
    size_t size = 0;
    memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = DecodeErrorExit;
    errors.pub.output_message = DecodeSilence;
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, input);
    jpeg_read_header(&cinfo, TRUE);
    const unsigned w = cinfo.image_width, h = cinfo.image_height;
    const unsigned fitW = w >= h ? 64 : 64 * w / h, fitH = h >= w ? 64 : 64 * h / w;
    unsigned denom = 8;
    while (denom > 1 && ((w + denom - 1) / denom < fitW || (h + denom - 1) / denom < fitH)) denom /= 2;
    cinfo.scale_num = 1;
    cinfo.scale_denom = denom;
    jpeg_start_decompress(&cinfo);
    const size_t stride = static_cast<size_t>(cinfo.output_width) * cinfo.output_components;
    while (cinfo.output_scanline < cinfo.output_height) {
        const size_t at = cinfo.output_scanline * stride;
        JSAMPROW row = rows + (at + stride <= capacity ? at : 0);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    size = stride * cinfo.output_height;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return size;
}

double FloorPass(const std::vector<std::string>& frames, const std::vector<std::string>& jpegs) {
    static std::vector<unsigned char> rows(640 * 480 * 3);
    static std::vector<char> text(64 * 1024);
    const double start = Now();
    for (size_t i = 0; i < frames.size(); ++i) {
        win::FileHandle file(::CreateFileA(frames[i].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD read = 0;
        if (file) ::ReadFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr);
        FILE* input = std::fopen(jpegs[i].c_str(), "rb");
        if (!input) continue;
        ScaledDecode(input, rows.data(), rows.size());
        std::fclose(input);
    }
    return Now() - start;
}

// ---- the library -----------------------------------------------------------

std::string FrameName(int index) {
    char name[16];
    std::snprintf(name, sizeof name, "F%04d", index);
    return name;
}

bool WriteFrame(const std::string& folder, int index, unsigned variant) {
    const demo::DemoFrame look = demo::DescribeFrame(index);
    const Shape& shape = kShapes[index % 3];
    const std::string name = FrameName(index);
    if (!demo::MakeFolders(folder + "\\" + name)) return false;
    const unsigned seed = static_cast<unsigned>(index) * 7u + 1u + variant * 1000u;
    if (!demo::WritePicture(folder + "\\" + name + "\\thumb.jpg",
                            demo::DrawPicture(shape.width, shape.height, false, seed)))
        return false;
    const std::string title = variant ? look.title + " v" + std::to_string(variant) : look.title;
    std::FILE* out = std::fopen((folder + "\\" + name + ".USD").c_str(), "wb");
    if (!out) return false;
    std::fprintf(out,
                 "[HEADER]\r\nHdTitle=%s\r\nHdPhysicalPaperSize=%s\r\nHdMargines=%s\r\n"
                 "HdThumbnail=.\\%s\\thumb.jpg\r\n[LAYOUT]\r\nLyImageCount=0\r\n",
                 title.c_str(), look.paper.c_str(), look.margins.c_str(), name.c_str());
    return std::fclose(out) == 0;
}

// ---- the window ------------------------------------------------------------

void PumpOnce() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

// Runs the message loop as the program's would until done() holds, asked
// after every message.
template <typename Done>
void PumpUntil(Done done) {
    while (!done()) {
        MSG msg;
        if (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        } else {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
}

bool RowsInViewHaveThumbnails(const CListCtrlZEL& list) {
    HWND hwnd = list.Handle();
    const int top = static_cast<int>(::SendMessageA(hwnd, LVM_GETTOPINDEX, 0, 0));
    const int end = std::min(list.GetItemCount(),
                             top + static_cast<int>(::SendMessageA(hwnd, LVM_GETCOUNTPERPAGE, 0, 0)) + 1);
    for (int i = top; i < end; ++i)
        if (IsThumbnailPending(list.GetItemPath(i))) return false;
    return true;
}

void PaintNow(HWND dialog) {
    ::RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

struct Figures {
    std::vector<double> floor, rows, first, all, warmRows, warmFirst, warmAll, scrollEnd, sort, refresh,
        refreshChanged, add, addPlain, moveBack, movePlain, remove, ownMemory, fileMemory;
    std::vector<double> filterKey, filterWorst, lastKeys;
    std::vector<double> treeRefresh, treeAddOne, treeAddAll, growOne, growAll;
};

// The process's resident memory in MB: its own (RssAnon) and mapped files
// (RssFile), as Linux counts them under Wine; zero where there is no Linux
// below. (Under Wine, GetProcessMemoryInfo gave figures that fell while the
// program held more.) Files are opened by the Wine server, so /proc/self is
// the server: the process is found by its name among /proc's entries.
std::string ReadSmallFile(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string text(16384, '\0');
    DWORD read = 0;
    ::ReadFile(file, text.data(), static_cast<DWORD>(text.size() - 1), &read, nullptr);
    ::CloseHandle(file);
    text.resize(read);
    return text;
}

std::string OwnStatusFile() {
    char module[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    const char* base = std::strrchr(module, '\\');
    // Linux keeps 15 characters of a process's name.
    const std::string name = "Name:\t" + std::string(base ? base + 1 : module).substr(0, 15) + "\n";
    WIN32_FIND_DATAA entry;
    HANDLE find = ::FindFirstFileA("Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return {};
    std::string found;
    do {
        if (entry.cFileName[0] < '0' || entry.cFileName[0] > '9') continue;
        const std::string status = std::string("Z:\\proc\\") + entry.cFileName + "\\status";
        if (ReadSmallFile(status).rfind(name, 0) == 0) found = status;
    } while (found.empty() && ::FindNextFileA(find, &entry));
    ::FindClose(find);
    return found;
}

std::pair<double, double> ResidentMemory() {
    static const std::string status = OwnStatusFile();
    const std::string text = status.empty() ? std::string() : ReadSmallFile(status);
    auto field = [&](const char* name) {
        const size_t at = text.find(name);
        return at == std::string::npos ? 0.0 : std::atof(text.c_str() + at + std::strlen(name)) / 1024;
    };
    return {field("RssAnon:"), field("RssFile:")};
}

// The plain loop an add is measured against: CopyFileA over the same files
// into a fresh folder.
double PlainCopyPass(const std::string& folder, const std::vector<std::string>& names,
                     const std::string& to) {
    demo::MakeFolders(to);
    const double start = Now();
    for (const std::string& name : names) {
        const std::string base = name.substr(0, name.size() - 4);
        ::CopyFileA((folder + "\\" + name).c_str(), (to + "\\" + name).c_str(), TRUE);
        ::CreateDirectoryA((to + "\\" + base).c_str(), nullptr);
        ::CopyFileA((folder + "\\" + base + "\\thumb.jpg").c_str(),
                    (to + "\\" + base + "\\thumb.jpg").c_str(), TRUE);
    }
    const double ms = Now() - start;
    RemoveFolderTree(to);
    return ms;
}

// Puts frames added to the target back into folder.
void MoveBack(const std::string& target, const std::string& folder, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const std::string base = name.substr(0, name.size() - 4);
        ::MoveFileA((target + "\\" + name).c_str(), (folder + "\\" + name).c_str());
        ::MoveFileA((target + "\\" + base).c_str(), (folder + "\\" + base).c_str());
    }
}

double Min(std::vector<double> v) {
    return *std::min_element(v.begin(), v.end());
}
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

void Print(const char* what, const std::vector<double>& v) {
    std::printf("  %-34s %9.1f %9.1f ms\n", what, Min(v), Median(v));
}

// The tree's stored folder, put back after the runs.
class StoredFolder {
public:
    StoredFolder() : key_(CZELMaintenanceApp::SettingsKeyPath() + "\\Setting") {
        DWORD size = 0;
        had_ = ::RegGetValueA(HKEY_CURRENT_USER, key_.c_str(), "CurrentFolder", RRF_RT_REG_BINARY, nullptr,
                              nullptr, &size) == ERROR_SUCCESS;
        value_.resize(size);
        if (had_ && size)
            ::RegGetValueA(HKEY_CURRENT_USER, key_.c_str(), "CurrentFolder", RRF_RT_REG_BINARY, nullptr,
                           value_.data(), &size);
    }
    ~StoredFolder() {
        if (had_) {
            ::RegSetKeyValueA(HKEY_CURRENT_USER, key_.c_str(), "CurrentFolder", REG_BINARY, value_.data(),
                              static_cast<DWORD>(value_.size()));
        } else {
            ::RegDeleteKeyValueA(HKEY_CURRENT_USER, key_.c_str(), "CurrentFolder");
        }
    }

private:
    std::string key_;
    bool had_ = false;
    std::vector<BYTE> value_;
};

HTREEITEM ChildByText(const CFolderTreeCtrl& tree, HTREEITEM parent, const std::string& text) {
    for (HTREEITEM child = tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child))
        if (tree.GetItemText(child) == text) return child;
    return nullptr;
}

// 100 folders appear in a new folder of grow that the tree has loaded; the
// time to show them, added one call each or in one call.
double GrowPass(CFolderTreeCtrl& tree, HWND dialog, HTREEITEM grow, const std::string& folder, bool oneCall) {
    const std::string name = folder.substr(folder.rfind('\\') + 1);
    demo::MakeFolders(folder + "\\seed");
    tree.AddFolderByPath(folder);
    const HTREEITEM item = ChildByText(tree, grow, name);
    tree.Expand(item, TVE_EXPAND);
    if (!tree.IsExpandedOnce(item)) std::fprintf(stderr, "%s is not loaded in the tree\n", folder.c_str());
    std::vector<std::string> paths;
    for (int i = 0; i < 100; ++i) {
        paths.push_back(folder + "\\" + FrameName(i));
        demo::MakeFolders(paths.back());
    }
    const double start = Now();
    if (oneCall) {
        tree.AddFoldersByPath(paths);
    } else {
        for (const std::string& path : paths) tree.AddFolderByPath(path);
    }
    PaintNow(dialog);
    const double ms = Now() - start;
    tree.DeleteItem(item);
    RemoveFolderTree(folder);
    return ms;
}

void RunFolder(const std::string& root, int count, int runs) {
    const std::string folder = root + "\\n" + std::to_string(count);
    const std::string empty = root + "\\empty";
    demo::MakeFolders(empty);
    // Folders with a subfolder each: an empty one would not count as read.
    const std::string grow = root + "\\grow";
    demo::MakeFolders(grow + "\\seed");
    std::vector<std::string> frames, jpegs;
    for (int i = 0; i < count; ++i) {
        if (!WriteFrame(folder, i, 0)) {
            std::fprintf(stderr, "cannot write frame %d into %s\n", i, folder.c_str());
            return;
        }
        frames.push_back(folder + "\\" + FrameName(i) + ".USD");
        jpegs.push_back(folder + "\\" + FrameName(i) + "\\thumb.jpg");
    }
    // The bench's own frame stores, never the user's.
    UseFrameStoreFile(root + "\\store" + std::to_string(count) + ".db");
    // The tree opens on the folder, so the refresh command refills it.
    CFolderTreeCtrl::StoreCurrentFolderPath(CZELMaintenanceApp::SettingsKeyPath(), folder);
    CZELMaintenanceApp app;
    app.LoadSettings();
    app.SetSortMode(CListCtrlZEL::kSortByTitle);
    CZELMaintenanceDlg dialog(app);
    if (!dialog.Create(nullptr)) {
        std::fprintf(stderr, "cannot create the main window\n");
        return;
    }
    ::ShowWindow(dialog.Handle(), SW_SHOW);
    PumpOnce();

    CListCtrlZEL& list = dialog.SourceList();
    if (list.GetFolder() != folder) std::fprintf(stderr, "the tree did not open on %s\n", folder.c_str());
    HWND hwnd = dialog.Handle();
    // The lists made what they make in the background: rows near the view,
    // every other row once, leaving those the store holds until they come near.
    auto settled = [&] { return !list.MakingThumbnails() && !dialog.TargetList().MakingThumbnails(); };
    auto command = [&](UINT id) { ::SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); };
    FloorPass(frames, jpegs);  // warms the file cache for both sides
    CFolderTreeCtrl& tree = dialog.Tree();
    const HTREEITEM growItem =
        ChildByText(tree, tree.GetNextItem(tree.GetSelectedItem(), TVGN_PARENT), "grow");
    tree.Expand(growItem, TVE_EXPAND);
    // The library folder open in the tree, its companion folders listed
    // under it, as a user who looked inside it has it.
    tree.Expand(tree.GetSelectedItem(), TVE_EXPAND);

    Figures f;
    std::pair<double, double> emptyMemory;
    for (int run = 0; run < runs; ++run) {
        f.floor.push_back(FloorPass(frames, jpegs));

        // A folder never shown before: nothing of it is cached, in memory
        // or in a store; then the store that fill made, opened again.
        const std::string storeFile =
            root + "\\store" + std::to_string(count) + "_" + std::to_string(run) + ".db";
        UseFrameStoreFile(storeFile);
        double start = 0;
        auto fill = [&](std::vector<double>& rows, std::vector<double>& first, std::vector<double>& all) {
            list.SetFolder(empty);
            ClearFrameInfo();
            CloseFrameStore();
            PumpOnce();
            // The window on an empty folder, before any fill of this count.
            if (emptyMemory.first == 0) emptyMemory = ResidentMemory();
            start = Now();
            list.SetFolder(folder);
            PaintNow(hwnd);
            rows.push_back(Now() - start);
            PumpUntil([&] { return RowsInViewHaveThumbnails(list); });
            PaintNow(hwnd);
            first.push_back(Now() - start);
            PumpUntil(settled);
            PaintNow(hwnd);
            all.push_back(Now() - start);
        };
        fill(f.rows, f.first, f.all);
        fill(f.warmRows, f.warmFirst, f.warmAll);
        // To the last row and back to the first, as a user scrolls through.
        start = Now();
        ::SendMessageA(list.Handle(), LVM_ENSUREVISIBLE, count - 1, FALSE);
        PumpUntil([&] { return RowsInViewHaveThumbnails(list); });
        PaintNow(hwnd);
        f.scrollEnd.push_back(Now() - start);
        ::SendMessageA(list.Handle(), LVM_ENSUREVISIBLE, 0, FALSE);
        PumpUntil([&] { return RowsInViewHaveThumbnails(list); });
        PumpUntil(settled);
        // Every row was shown: memory beyond that of the window on an empty folder.
        const std::pair<double, double> memory = ResidentMemory();
        f.ownMemory.push_back(memory.first - emptyMemory.first);
        f.fileMemory.push_back(memory.second - emptyMemory.second);

        // The target list lost its records with the cache: back to a window
        // with every picture made, as the user has it before a sort or F5.
        dialog.TargetList().Refill();
        PumpUntil(settled);

        start = Now();
        command(ID_SORT_PAPER);
        PaintNow(hwnd);
        command(ID_SORT_TITLE);
        PaintNow(hwnd);
        f.sort.push_back((Now() - start) / 2);

        // The filter box: "F012" typed and taken back, a key at a time, each
        // until the list is painted (F matches every frame, F012 ten).
        HWND box = dialog.Item(IDC_FILTER_SOURCE);
        ::SetFocus(box);
        double worst = 0;
        f.lastKeys.clear();
        for (const char key : std::string("F012\b\b\b\b")) {
            start = Now();
            ::SendMessageA(box, WM_CHAR, static_cast<unsigned char>(key), 1);
            PaintNow(hwnd);
            const double took = Now() - start;
            f.filterKey.push_back(took);
            f.lastKeys.push_back(took);
            worst = std::max(worst, took);
        }
        f.filterWorst.push_back(worst);
        PumpUntil(settled);

        start = Now();
        command(ID_VIEW_REFRESH);
        PumpUntil(settled);
        PaintNow(hwnd);
        f.refresh.push_back(Now() - start);
        start = Now();
        tree.RefreshTree();
        PaintNow(hwnd);
        f.treeRefresh.push_back(Now() - start);

        for (int i = 0; i < kChangedFrames; ++i)
            WriteFrame(folder, (i * count) / kChangedFrames, static_cast<unsigned>(run + 1));
        start = Now();
        command(ID_VIEW_REFRESH);
        PumpUntil(settled);
        PaintNow(hwnd);
        f.refreshChanged.push_back(Now() - start);

        // Add up to 100 frames to the companion's folder, until both lists
        // show the result; the plain loop copies the same files.
        const int adding = std::min(count, 100);
        std::vector<std::string> names;
        for (int i = 0; i < adding; ++i) names.push_back(list.GetItemFileName(i));
        f.addPlain.push_back(PlainCopyPass(folder, names, root + "\\plain"));
        // Each operation on the rows it selects, until both lists show it.
        auto operate = [&](CListCtrlZEL& on, int rows, UINT id, std::vector<double>& into) {
            ::SetFocus(on.Handle());
            LVITEMA state = {};
            state.stateMask = LVIS_SELECTED;
            state.state = LVIS_SELECTED;
            for (int i = 0; i < rows; ++i) ::SendMessageA(on.Handle(), LVM_SETITEMSTATE, i, (LPARAM)&state);
            PumpOnce();
            const double began = Now();
            command(id);
            PumpUntil(settled);
            PaintNow(hwnd);
            into.push_back(Now() - began);
        };
        operate(list, adding, IDC_BTN_ADD, f.add);
        std::vector<std::string> companions;
        for (const std::string& name : names)
            companions.push_back(app.GetTargetFolder() + "\\" + name.substr(0, name.size() - 4));
        start = Now();
        for (const std::string& path : companions) tree.AddFolderByPath(path);
        f.treeAddOne.push_back(Now() - start);
        start = Now();
        tree.AddFoldersByPath(companions);
        f.treeAddAll.push_back(Now() - start);
        // Back with the program's own move, then a delete of as many.
        operate(dialog.TargetList(), dialog.TargetList().GetItemCount(), IDC_BTN_MOVE_BACK, f.moveBack);
        MoveBack(app.GetTargetFolder(), folder, names);  // whatever did not go back
        // The floor of a move back: MoveFileA of the same frames into the
        // folder, from a folder beside it on the same drive.
        const std::string aside = root + "\\aside";
        demo::MakeFolders(aside);
        MoveBack(folder, aside, names);
        start = Now();
        MoveBack(aside, folder, names);
        f.movePlain.push_back(Now() - start);
        RemoveFolderTree(aside);
        std::vector<std::string> deleting;
        for (int i = 0; i < adding; ++i) deleting.push_back(list.GetItemFileName(i));
        operate(list, adding, IDC_BTN_DELETE, f.remove);
        for (const std::string& name : deleting) WriteFrame(folder, std::atoi(name.c_str() + 1), 0);
        const std::string next = grow + "\\r" + std::to_string(run);
        f.growOne.push_back(GrowPass(tree, hwnd, growItem, next + "a", false));
        f.growAll.push_back(GrowPass(tree, hwnd, growItem, next + "b", true));
        command(ID_VIEW_REFRESH);
        PumpUntil(settled);
    }
    dialog.Destroy();

    const double n = count;
    std::printf("%d frames, %d runs, min and median\n", count, runs);
    Print("floor (N x frame read + decode)", f.floor);
    Print("rows shown (scan, headers, sort)", f.rows);
    Print("first screen with thumbnails", f.first);
    Print("all thumbnails", f.all);
    std::vector<double> ratio;
    for (size_t i = 0; i < f.all.size(); ++i) ratio.push_back(f.all[i] / f.floor[i]);
    std::printf("  %-34s %9.2f %9.2f x floor\n", "all thumbnails / floor", Min(ratio), Median(ratio));
    Print("rows shown, store filled", f.warmRows);
    Print("first screen, store filled", f.warmFirst);
    Print("all thumbnails, store filled", f.warmAll);
    Print("to the last row's thumbnails", f.scrollEnd);
    std::printf("  %-34s %9.1f %9.1f MB\n", "memory after the list end to end", Min(f.ownMemory),
                Median(f.ownMemory));
    std::printf("  %-34s %9.1f %9.1f MB\n", "  and mapped files (the store)", Min(f.fileMemory),
                Median(f.fileMemory));
    Print("re-sort", f.sort);
    Print("filter: a key typed, list painted", f.filterKey);
    Print("filter: slowest key of a run", f.filterWorst);
    std::printf("  %-34s", "  the last run's keys, in order");
    for (const double took : f.lastKeys) std::printf(" %.0f", took);
    std::printf(" ms\n");
    Print("F5 unchanged", f.refresh);
    Print("F5 after 10 frames changed", f.refreshChanged);
    Print("add 100 until both lists show it", f.add);
    Print("plain CopyFileA loop, same files", f.addPlain);
    Print("move 100 back until both lists show it", f.moveBack);
    Print("plain MoveFileA loop back, same frames", f.movePlain);
    Print("delete 100 until both lists show it", f.remove);
    Print("tree: F5's tree part (RefreshTree)", f.treeRefresh);
    Print("tree: after add, 100 x AddFolderByPath", f.treeAddOne);
    Print("tree: after add, AddFoldersByPath", f.treeAddAll);
    Print("tree: 100 new in a loaded folder, 1x1", f.growOne);
    Print("tree: the same, AddFoldersByPath", f.growAll);
    std::printf("  %-34s %9.3f %9.3f ms per frame\n", "floor per frame", Min(f.floor) / n,
                Median(f.floor) / n);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // Two threads, as the window gives the lists and the operations.
    win::HelperScope helpers;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    std::vector<int> counts;
    for (int i = 2; i < argc; ++i)
        if (std::atoi(argv[i]) > 0) counts.push_back(std::atoi(argv[i]));
    if (counts.empty()) counts = {100, 1000, 10000};

    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string root = std::string(temp) + "list_bench_" + std::to_string(::GetCurrentProcessId());

    ::OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // No box may wait for a user.
    SetMessageBoxResponder([](const std::string& text, UINT type) {
        // The delete's question is answered yes; anything else is shown.
        if ((type & MB_TYPEMASK) == MB_YESNO) return IDYES;
        std::fprintf(stderr, "message box: %s\n", text.c_str());
        return IDOK;
    });
    {
        StoredFolder stored;
        for (int count : counts) RunFolder(root, count, runs);
    }
    SetMessageBoxResponder({});
    RemoveFolderTree(root);
    ::OleUninitialize();
    return 0;
}
