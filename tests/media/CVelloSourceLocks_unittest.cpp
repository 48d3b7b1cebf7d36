// Loading calls the subtitle subsystem (font set-up, the search for a subtitle file beside
// the media) without the source's state lock: the host's calls may meet other threads that
// ask the source for its state.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/CVelloSource.h"
#include "subtitle/CMemorySubtitleHost.h"
#include "subtitle/CSubtitle.h"
#include "support/TestUtil.h"

namespace zvp {
namespace {

using test::MediaPath;

// Records each settings read and candidate search, and whether another thread could take
// the source's state lock meanwhile.
class CProbeHost : public CMemorySubtitleHost {
  public:
    explicit CProbeHost(CVelloSource* source) : source_(source) {}
    ~CProbeHost() override {
        for (auto& probe : probes_) probe.wait();
    }

    SubtitleSettings ReadSettings() override {
        Probe("ReadSettings");
        return CMemorySubtitleHost::ReadSettings();
    }
    std::vector<std::string> FindCandidates(const std::string& mediaPath) override {
        Probe("FindCandidates");
        return CMemorySubtitleHost::FindCandidates(mediaPath);
    }

    std::vector<std::string> Calls() {
        std::lock_guard lock(lock_);
        return calls_;
    }
    std::vector<std::string> CalledUnderLock() {
        std::lock_guard lock(lock_);
        return underLock_;
    }

  private:
    void Probe(const std::string& what) {
        std::future<void> probe = std::async(std::launch::async, [this] {
            std::string name;
            source_->GetCurFile(&name);  // takes the state lock
        });
        const bool free = probe.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        std::lock_guard lock(lock_);
        // Kept: a probe blocked by the state lock outlives this call.
        probes_.push_back(std::move(probe));
        calls_.push_back(what);
        if (!free) underLock_.push_back(what);
    }

    CVelloSource* const source_;
    std::mutex lock_;
    std::vector<std::string> calls_;      // guarded by lock_
    std::vector<std::string> underLock_;  // guarded by lock_
    std::vector<std::future<void>> probes_;
};

TEST(CVelloSourceLocksTest, LoadSetsUpSubtitlesWithoutTheStateLock) {
    const std::shared_ptr<ISubtitleHost> previous = GetSubtitleHost();
    {
        CVelloSource source;
        auto host = std::make_shared<CProbeHost>(&source);
        SetSubtitleHost(host);
        // Video without a subtitle stream: fonts are set up and a file beside it is sought.
        EXPECT_EQ(source.Load(MediaPath("h264_aac.mp4")), S_OK);
        SetSubtitleHost(previous);
        const std::vector<std::string> calls = host->Calls();
        EXPECT_NE(std::find(calls.begin(), calls.end(), "ReadSettings"), calls.end());
        EXPECT_NE(std::find(calls.begin(), calls.end(), "FindCandidates"), calls.end());
        EXPECT_EQ(host->CalledUnderLock(), std::vector<std::string>{});
    }
}

}  // namespace
}  // namespace zvp
