// Measures DeleteSelection, PasteFromClipboard and each kind of Undo on a
// large document (1 GB by default), as MB/s of bytes moved, with the
// process's peak resident memory after each step. A plain `cp` of the same
// working file, timed in the same run before and after, gives the page-cache
// bandwidth to compare with.
#include "wave/CRMWave.h"
#include "wave/CWaveFile.h"
#include "wave/WaveClipboard.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int64_t kMiB = 1024 * 1024;

long PeakRssKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double Seconds(const std::function<bool()>& step, bool* pOk)
{
    const auto start = std::chrono::steady_clock::now();
    *pOk = step();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(end - start).count();
}

void Report(const char* name, int64_t bytesMoved, double seconds, bool ok)
{
    std::printf("%-34s %8.1f MB moved %8.3f s %9.1f MB/s  peak RSS %7.1f MB%s\n", name,
                static_cast<double>(bytesMoved) / kMiB, seconds,
                static_cast<double>(bytesMoved) / kMiB / seconds,
                static_cast<double>(PeakRssKiB()) / 1024.0, ok ? "" : "  FAILED");
}

double TimeCp(const fs::path& from, const fs::path& to, int64_t bytes)
{
    const std::string command = "cp '" + from.string() + "' '" + to.string() + "'";
    bool ok = false;
    const double s = Seconds([&] { return std::system(command.c_str()) == 0; }, &ok);
    Report("cp of the working file", bytes, s, ok);
    fs::remove(to);
    return ok ? static_cast<double>(bytes) / kMiB / s : 0.0;
}

// A clipboard image of `bytes` bytes of 16-bit stereo PCM.
std::vector<uint8_t> MakeImage(CRMWave& doc, int64_t bytes)
{
    const fs::path path = doc.WorkFilePath("bench-image.wav");
    CWaveFile wave;
    wave.CreateWrite(path, doc.GetFormat());
    std::vector<uint8_t> block(65536, 0x5A);
    for (int64_t done = 0; done < bytes; done += static_cast<int64_t>(block.size()))
        wave.Write(block.data(), static_cast<uint32_t>(std::min<int64_t>(bytes - done, 65536)));
    wave.Close();
    std::vector<uint8_t> image(fs::file_size(path));
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f) {
        image.resize(std::fread(image.data(), 1, image.size(), f));
        std::fclose(f);
    }
    fs::remove(path);
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    const int64_t docBytes = (argc > 1 ? std::atoll(argv[1]) : 1024) * kMiB;
    const int64_t pasteBytes = 1 * kMiB;
    CRMWave doc;
    CMemoryClipboard clipboard;
    doc.SetClipboard(&clipboard);
    if (!doc.CreateNew(2, 44100, 16)) {
        std::fprintf(stderr, "cannot create the working file\n");
        return 1;
    }

    std::vector<uint8_t> block(CRMWave::kBlockSize);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 31 + 7);
    for (int64_t done = 0; done < docBytes; done += static_cast<int64_t>(block.size())) {
        if (!doc.WriteData(block.data(), block.size())) {
            std::fprintf(stderr, "cannot fill the document\n");
            return 1;
        }
    }
    doc.UpdateLength();
    const std::vector<uint8_t> image = MakeImage(doc, pasteBytes);
    clipboard.PutWaveImage(image);
    std::printf("document: %lld MB in %s, paste image %lld MB\n",
                static_cast<long long>(docBytes / kMiB), doc.GetPath().parent_path().c_str(),
                static_cast<long long>(pasteBytes / kMiB));

    const fs::path cpTarget = doc.WorkFilePath("cp-target");
    const double cpBefore = TimeCp(doc.GetPath(), cpTarget, docBytes);

    bool ok = false;
    double s = 0;
    std::vector<double> rates;
    auto record = [&](const char* name, int64_t moved) {
        Report(name, moved, s, ok);
        rates.push_back(static_cast<double>(moved) / kMiB / s);
    };

    // Delete a tenth near the start, so that most of the document moves.
    const int32_t selBegin = doc.BytesToFrames(docBytes / 10);
    const int32_t selEnd = doc.BytesToFrames(docBytes / 5);
    const int64_t cut = doc.FramesToBytes(selEnd - selBegin);
    doc.m_nSelBegin = selBegin;
    doc.m_nSelEnd = selEnd;
    s = Seconds([&] { return doc.SaveUndo(UndoReinsert); }, &ok);
    record("SaveUndo(UndoReinsert)", cut);
    s = Seconds([&] { return doc.DeleteSelection(); }, &ok);
    record("DeleteSelection", docBytes - doc.FramesToBytes(selEnd));
    s = Seconds([&] { return doc.Undo(); }, &ok);
    record("Undo (UndoReinsert)", docBytes - doc.FramesToBytes(selBegin));

    // Paste at the start: the whole document moves up.
    doc.Deselect();
    doc.m_nCursor = 0;
    s = Seconds([&] { return doc.PasteFromClipboard(); }, &ok);
    record("PasteFromClipboard (1 MB at 0)", docBytes + pasteBytes);
    s = Seconds([&] { return doc.SaveUndo(UndoRemove); }, &ok);
    s = Seconds([&] { return doc.Undo(); }, &ok);
    record("Undo (UndoRemove)", docBytes);

    // An in-place change of a quarter of the document, then its undo.
    doc.m_nSelBegin = 0;
    doc.m_nSelEnd = doc.BytesToFrames(docBytes / 4);
    s = Seconds([&] { return doc.SaveUndo(UndoRestore); }, &ok);
    record("SaveUndo(UndoRestore)", docBytes / 4);
    s = Seconds([&] { return doc.Undo(); }, &ok);
    record("Undo (UndoRestore)", docBytes / 4);

    const double cpAfter = TimeCp(doc.GetPath(), cpTarget, docBytes);
    const double cp = std::max(cpBefore, cpAfter);
    double slowest = rates.empty() ? 0 : rates.front();
    for (double r : rates)
        slowest = std::min(slowest, r);
    std::printf("cp: %.1f MB/s (best of two); slowest operation %.1f MB/s = %.0f%% of cp\n", cp,
                slowest, cp > 0 ? 100.0 * slowest / cp : 0.0);
    std::printf("final length %d frames (expected %lld)\n", doc.m_nLength,
                static_cast<long long>(docBytes / doc.BlockAlign()));
    return 0;
}
