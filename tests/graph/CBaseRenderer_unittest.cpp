// Type negotiation and the renderer's data-flow rules, driven sample by sample from the test
// thread through a hand-operated output pin.
#include <gtest/gtest.h>

#include <vector>

#include "graph/CBaseOutputPin.h"
#include "graph/CFilterGraph.h"
#include "graph/CMemAllocator.h"
#include "graph/CNullAudioRenderer.h"
#include "graph/CNullVideoRenderer.h"
#include "graph/ManualSource.h"

namespace zvp {
namespace {

using test::CManualFilter;
using test::CManualPin;

CMediaType Pcm() {
    CMediaType t;
    t.InitAudioPcm(2, 8000);
    return t;
}
CMediaType Rgb(int w, int h) {
    CMediaType t;
    t.InitVideo(SubType::RGB24, w, h);
    return t;
}

TEST(CBaseRendererTest, NegotiationTakesTheFirstTypeTheRendererAccepts) {
    CFilterGraph graph;
    auto f = std::make_unique<CManualFilter>(std::vector<CMediaType>{Pcm(), Rgb(8, 4)});
    auto* src = f.get();
    auto r = std::make_unique<CNullVideoRenderer>(true);
    auto* video = r.get();
    graph.AddFilter(std::move(f), "src");
    graph.AddFilter(std::move(r), "video");
    ASSERT_EQ(graph.Connect(src->Pin(), CFilterGraph::FindInputPin(video)), S_OK);
    EXPECT_EQ(src->Pin()->proposed, (std::vector<int>{0, 1}));
    EXPECT_EQ(src->Pin()->decidedWith, Rgb(8, 4));
    long w = 0, h = 0;
    ASSERT_EQ(graph.GetVideoSize(&w, &h), S_OK);
    EXPECT_EQ(w, 8);
    EXPECT_EQ(h, 4);
    EXPECT_EQ(graph.Connect(src->Pin(), CFilterGraph::FindInputPin(video)),
              VFW_E_ALREADY_CONNECTED);

    CFilterGraph graph2;
    auto f2 = std::make_unique<CManualFilter>(std::vector<CMediaType>{Pcm()});
    auto* src2 = f2.get();
    auto r2 = std::make_unique<CNullVideoRenderer>(true);
    auto* video2 = r2.get();
    graph2.AddFilter(std::move(f2), "src");
    graph2.AddFilter(std::move(r2), "video");
    EXPECT_EQ(graph2.Connect(src2->Pin(), CFilterGraph::FindInputPin(video2)),
              VFW_E_NO_ACCEPTABLE_TYPES);
    EXPECT_FALSE(src2->Pin()->IsConnected());
}

TEST(CBaseRendererTest, EndOfStreamRejectsLaterSamplesUntilFlush) {
    CFilterGraph graph;
    auto f = std::make_unique<CManualFilter>(std::vector<CMediaType>{Rgb(4, 4)});
    auto* src = f.get();
    auto r = std::make_unique<CNullVideoRenderer>(true);
    auto* video = r.get();
    graph.AddFilter(std::move(f), "src");
    graph.AddFilter(std::move(r), "video");
    ASSERT_EQ(graph.Connect(src->Pin(), CFilterGraph::FindInputPin(video)), S_OK);
    CManualPin* pin = src->Pin();
    CSampleRef s;

    // Stopped: refused, and nothing is shown or completed.
    {
        auto spare = CMemAllocator::Create();
        ALLOCATOR_PROPERTIES want{1, 4 * 4 * 3, 1, 0}, got;
        ASSERT_EQ(spare->SetProperties(&want, &got), S_OK);
        ASSERT_EQ(spare->Commit(), S_OK);
        CSampleRef stray;
        ASSERT_EQ(spare->GetBuffer(&stray, nullptr, nullptr, 0), S_OK);
        EXPECT_EQ(pin->Deliver(stray.get()), VFW_E_WRONG_STATE);
        EXPECT_EQ(pin->DeliverEndOfStream(), VFW_E_WRONG_STATE);
        EXPECT_EQ(video->Log().Count() + video->Log().PrerollCount(), 0u);
        EXPECT_EQ(video->Log().EndOfStreamCount(), 0);
        long c;
        LONG_PTR a, b;
        EXPECT_EQ(graph.GetEvent(&c, &a, &b, 0), E_ABORT);
    }
    ASSERT_EQ(graph.Pause(), S_OK);
    ASSERT_EQ(graph.Run(), S_OK);
    ASSERT_EQ(pin->GetDeliveryBuffer(&s, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(pin->Deliver(s.get()), S_OK);
    EXPECT_EQ(pin->DeliverEndOfStream(), S_OK);
    long code;
    LONG_PTR p1, p2;
    bool complete = false;
    while (graph.GetEvent(&code, &p1, &p2, 5000) == S_OK)
        if ((complete = code == EC_COMPLETE)) break;
    EXPECT_TRUE(complete);
    EXPECT_EQ(pin->Deliver(s.get()), VFW_E_SAMPLE_REJECTED_EOS);

    // A media type the renderer cannot take is refused; a new picture size is taken.
    EXPECT_EQ(pin->DeliverBeginFlush(), S_OK);
    EXPECT_EQ(pin->Deliver(s.get()), S_FALSE);
    EXPECT_EQ(pin->DeliverEndFlush(), S_OK);
    CMediaType pcm = Pcm();
    s->SetMediaType(&pcm);
    EXPECT_EQ(pin->Deliver(s.get()), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType bigger = Rgb(16, 8);
    s->SetMediaType(&bigger);
    EXPECT_EQ(pin->Deliver(s.get()), S_OK);
    long w = 0, h = 0;
    ASSERT_EQ(graph.GetVideoSize(&w, &h), S_OK);
    EXPECT_EQ(w, 16);
    EXPECT_EQ(video->Log().Count(), 2u);
    EXPECT_EQ(video->Log().FlushCount(), 1);

    s.Release();
    ASSERT_EQ(graph.Stop(), S_OK);
    ASSERT_EQ(pin->GetDeliveryBuffer(&s, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
}

TEST(CBaseRendererTest, AudioRendererRefusesWhatItCannotPlay) {
    CNullAudioRenderer audio(true);
    CMediaType t = Pcm();
    EXPECT_EQ(audio.CheckMediaType(&t), S_OK);
    t.WaveFormat()->wBitsPerSample = 8;
    EXPECT_EQ(audio.CheckMediaType(&t), E_INVALIDARG);
    t = Pcm();
    t.WaveFormat()->nChannels = 0;
    EXPECT_EQ(audio.CheckMediaType(&t), E_INVALIDARG);
    t = Pcm();
    t.ResetFormatBuffer();
    EXPECT_EQ(audio.CheckMediaType(&t), E_INVALIDARG);
    CMediaType v = Rgb(4, 4);
    EXPECT_EQ(audio.CheckMediaType(&v), E_INVALIDARG);
    EXPECT_DOUBLE_EQ(CBaseAudioRenderer::VolumeToGain(-10000), 0.0);
    EXPECT_DOUBLE_EQ(CBaseAudioRenderer::VolumeToGain(0), 1.0);
    EXPECT_NEAR(CBaseAudioRenderer::VolumeToGain(-2000), 0.1, 1e-9);

    CNullVideoRenderer video(true);
    CMediaType odd;
    odd.InitVideo(SubType::YV12, 16, 16);
    odd.VideoInfo()->bmiHeader.biWidth = 15;
    EXPECT_EQ(video.CheckMediaType(&odd), E_INVALIDARG);
    odd.InitVideo(SubType::RGB24, 16, 16);
    odd.VideoInfo()->bmiHeader.biWidth = -4;
    EXPECT_EQ(video.CheckMediaType(&odd), E_INVALIDARG);
    odd.InitVideo(SubType::RGB24, 16, 16);
    odd.SetVariableSize();
    EXPECT_EQ(video.CheckMediaType(&odd), E_INVALIDARG);
}

}  // namespace
}  // namespace zvp
