#pragma once

#include <string>
#include <vector>

#include "subtitle/CSubtitleAss.h"

namespace zvp {

// An external subtitle file (kind 10, index 0): an ASS file shown as it is, or an SRT file
// converted to ASS first. The prepared file (UTF-8 with byte-order mark, ASS syntax) is read
// into one libass track styled from the settings and drawn on every picture while the
// current external subtitle path is set.
//
// Converted and re-encoded copies go to "<temp>/zvp-subtitles-XXXXXX/<key>/<name>": the
// folder is this process's own (made with mkdtemp, private to the user) and the key is derived
// from the source file's full path, so two players or two subtitle files of the same name in
// different folders never share a copy. ShutdownSubtitles removes this process's folder.
//
// Threads: Open, Clear, Rebuild run on the UI (or loading) thread and do their file work
// without any lock, then swap the new track in under state_lock_. Render runs on the
// streaming thread. The process-wide lists are guarded by their own lock; any thread may
// read them.
class CSubtitleFile : public CSubtitleAss {
  public:
    explicit CSubtitleFile(int index) : CSubtitleAss(kSubtitleExternal, index) {}

    // Kind 10: `data.text` is the media file (its subtitle files are searched, the candidate
    // list is replaced) or a subtitle file the user picked (`data.picked`, or an existing
    // file named .srt, .ass or .ssa): that file itself is shown, never another one. True when
    // the file is now the current path (a track libass cannot read is logged and draws
    // nothing). False when there is no candidate (silently), or when the picked file is
    // missing or not a subtitle file, or its conversion or copy fails (one log line each):
    // the current path, the track and, for a picked file, the candidates stay.
    bool Open(int kind, SubtitleData data) override;
    void Render(const SubtitleFrame& frame, const std::shared_ptr<CSubtitleRenderer>& renderer,
                int& baseline) override;
    void RenderAhead(int64_t timeMs, bool rgb24, const std::shared_ptr<CSubtitleRenderer>& renderer,
                     ISubtitleHost& clock) override;
    // Hides the external subtitles: empties the current path; the track stays loaded.
    void Clear() override;
    bool MayDraw() const override { return !CurrentPath().empty(); }
    void Rebuild() override { RebuildTrack(); }

    // Reads the prepared file into a new track on the current renderer and styles it. When
    // libass cannot read the file, the previous track is dropped and nothing is drawn.
    void RebuildTrack();

    // The prepared file the track is read from (empty before a successful Open).
    std::string prepared_file();
    bool has_track();

    // An "srt" file (extension, ASCII case ignored) converted into the temporary folder;
    // any other file unchanged. Empty when the input or the output cannot be opened.
    static std::string ConvertToAss(const std::string& path);
    // A file without the UTF-8 byte-order mark copied as UTF-8 (with the mark) into the
    // temporary folder; a file with the mark unchanged; empty for a missing file.
    static std::string CopyAsUtf8(const std::string& path);
    // Where a prepared copy of `source` named `name` goes; empty when the process's folder
    // cannot be made.
    static std::string ConvertedPath(const std::string& source, const std::string& name);
    static void RemoveConvertedFiles();

    // The process-wide state offered by the subtitle menu.
    static std::string CurrentPath();
    // Shows `path` (must be the loaded file) or hides external subtitles (empty).
    static void SetCurrentPath(const std::string& path);
    static std::vector<std::string> Candidates();
    // Files the user picked and asked to remember (RememberUsedFile), each once, in order; a
    // file may also be among the candidates.
    static std::vector<std::string> UsedFiles();
    static void RememberUsedFile(const std::string& path);

  private:
    CAssTrack track_;       // guarded by state_lock_
    std::string prepared_;  // guarded by state_lock_
};

}  // namespace zvp
