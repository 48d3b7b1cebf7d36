// Positions, flags, capabilities and rate of the seeking base.
#include "graph/CSourceSeeking.h"

#include <gtest/gtest.h>

namespace zvp {
namespace {

class CRecordingSeeking : public CSourceSeeking {
  public:
    CRecordingSeeking() : CSourceSeeking("test", nullptr, &lock_) { m_rtDuration = m_rtStop = 100; }
    int starts = 0, stops = 0, rates = 0;

  protected:
    HRESULT ChangeStart() override {
        ++starts;
        return S_OK;
    }
    HRESULT ChangeStop() override {
        ++stops;
        return E_NOTIMPL;
    }
    HRESULT ChangeRate() override {
        ++rates;
        return S_OK;
    }

  private:
    CCritSec lock_;
};

TEST(CSourceSeekingTest, PositionsFlagsAndCallbacks) {
    CRecordingSeeking s;
    REFERENCE_TIME cur = 40, stop = 10, c = 0, e = 0;
    EXPECT_EQ(s.SetPositions(&cur, AM_SEEKING_AbsolutePositioning, nullptr, 0), S_OK);
    EXPECT_EQ(s.starts, 1);
    REFERENCE_TIME delta = 5;
    EXPECT_EQ(s.SetPositions(&delta, AM_SEEKING_RelativePositioning, &stop,
                             AM_SEEKING_IncrementalPositioning),
              S_OK);  // the start's result wins
    s.GetPositions(&c, &e);
    EXPECT_EQ(c, 45);
    EXPECT_EQ(e, 55);
    EXPECT_EQ(s.stops, 1);
    EXPECT_EQ(s.SetPositions(&cur, AM_SEEKING_IncrementalPositioning, nullptr, 0), E_INVALIDARG);
    EXPECT_EQ(s.SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, 0), E_POINTER);
    EXPECT_EQ(s.starts, 2);
    // Only a stop: ChangeStop's result.
    EXPECT_EQ(s.SetPositions(nullptr, 0, &stop, AM_SEEKING_AbsolutePositioning), E_NOTIMPL);

    DWORD caps = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanGetCurrentPos;
    EXPECT_EQ(s.CheckCapabilities(&caps), S_FALSE);
    EXPECT_EQ(caps, AM_SEEKING_CanSeekAbsolute);
    caps = AM_SEEKING_CanGetCurrentPos;
    EXPECT_EQ(s.CheckCapabilities(&caps), E_FAIL);
    EXPECT_EQ(s.GetCapabilities(&caps), S_OK);
    EXPECT_EQ(caps, 0x37u);
    EXPECT_EQ(s.GetCurrentPosition(&c), E_NOTIMPL);
    EXPECT_EQ(s.SetRate(0.0), E_INVALIDARG);
    EXPECT_EQ(s.SetRate(2.0), S_OK);
    double r = 0;
    s.GetRate(&r);
    EXPECT_EQ(r, 2.0);
    TimeFormat f = TIME_FORMAT_MEDIA_TIME;
    EXPECT_EQ(s.SetTimeFormat(&f), S_OK);
    REFERENCE_TIME d = 0;
    EXPECT_EQ(s.GetDuration(&d), S_OK);
    EXPECT_EQ(d, 100);
}

}  // namespace
}  // namespace zvp
