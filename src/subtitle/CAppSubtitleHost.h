#pragma once

#include "subtitle/ISubtitleHost.h"

namespace zvp {

// The application's host: settings from the process-wide CAppIni, candidates from the
// application's subtitle-file search (media folder, Subtitles folder, default subtitle
// path), text decoding by TextDecoder, the steady clock as tick counter. The temporary
// folder is $TMPDIR, else /tmp. Threads as ISubtitleHost says.
class CAppSubtitleHost : public ISubtitleHost {
  public:
    SubtitleSettings ReadSettings() override;
    void StoreFontName(const std::string& name) override;
    std::vector<std::string> FindCandidates(const std::string& mediaPath) override;
    std::string TempFolder() override;
    std::string DecodeText(std::string_view bytes) override;
    int64_t TickMs() override;
};

}  // namespace zvp
