// The fixed-count allocator: blocking, flushing, decommit and sample properties.
#include "graph/CMemAllocator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>

namespace zvp {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<CMemAllocator> Make(long count, long size, long align = 1) {
    auto a = CMemAllocator::Create();
    ALLOCATOR_PROPERTIES want{count, size, align, 0}, got;
    EXPECT_EQ(a->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(a->Commit(), S_OK);
    return a;
}

TEST(CMemAllocatorTest, PropertiesAndSampleFields) {
    auto a = CMemAllocator::Create();
    CSampleRef s;
    EXPECT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), VFW_E_NOT_COMMITTED);
    EXPECT_EQ(a->Commit(), VFW_E_SIZENOTSET);
    ALLOCATOR_PROPERTIES bad{1, 10, 3, 0}, got;
    EXPECT_EQ(a->SetProperties(&bad, &got), VFW_E_BADALIGN);
    ALLOCATOR_PROPERTIES want{2, 100, 16, 8};
    ASSERT_EQ(a->SetProperties(&want, &got), S_OK);
    EXPECT_EQ(got.cBuffers, 2);
    EXPECT_EQ(got.cbBuffer, 100);
    ASSERT_EQ(a->Commit(), S_OK);
    EXPECT_EQ(a->SetProperties(&want, &got), VFW_E_ALREADY_COMMITTED);

    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(s->Data()) % 16, 0u);
    EXPECT_EQ(s->GetSize(), 100);
    EXPECT_EQ(s->GetActualDataLength(), 100);
    EXPECT_EQ(s->SetActualDataLength(101), E_INVALIDARG);
    REFERENCE_TIME t0 = 0, t1 = 0;
    EXPECT_EQ(s->GetTime(&t0, &t1), VFW_E_SAMPLE_TIME_NOT_SET);
    REFERENCE_TIME a0 = 5, a1 = 9;
    s->SetTime(&a0, &a1);
    EXPECT_EQ(s->GetTime(&t0, &t1), S_OK);
    EXPECT_EQ(t1, 9);
    s->SetTime(&a0, nullptr);
    EXPECT_EQ(s->GetTime(&t0, &t1), VFW_S_NO_STOP_TIME);
    CMediaType mt;
    mt.InitVideo(SubType::RGB24, 30, 2);
    s->SetMediaType(&mt);
    s->SetDiscontinuity(true);
    s.Release();
    // Handed out again: the properties are reset.
    ASSERT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), S_OK);
    CSampleRef s2;
    ASSERT_EQ(a->GetBuffer(&s2, nullptr, nullptr, 0), S_OK);
    for (CSampleRef* x : {&s, &s2}) {
        EXPECT_EQ((*x)->GetMediaType(), nullptr);
        EXPECT_EQ((*x)->IsDiscontinuity(), S_FALSE);
        EXPECT_EQ((*x)->GetTime(&t0, &t1), VFW_E_SAMPLE_TIME_NOT_SET);
    }
}

TEST(CMemAllocatorTest, GetBufferBlocksUntilOneIsReleased) {
    auto a = Make(1, 16);
    CSampleRef first;
    ASSERT_EQ(a->GetBuffer(&first, nullptr, nullptr, 0), S_OK);
    CSampleRef copy = first;  // two references: the buffer stays out until both go
    CSampleRef second;
    std::promise<void> calling;
    auto waiter = std::async(std::launch::async, [&] {
        calling.set_value();
        return a->GetBuffer(&second, nullptr, nullptr, 0);
    });
    ASSERT_EQ(calling.get_future().wait_for(20s), std::future_status::ready);
    // Neither a wait nor a first release can give the waiter a buffer: it is still out.
    EXPECT_EQ(waiter.wait_for(0s), std::future_status::timeout);
    first.Release();
    EXPECT_EQ(a->FreeCount(), 0);
    EXPECT_EQ(waiter.wait_for(0s), std::future_status::timeout);
    copy.Release();
    ASSERT_EQ(waiter.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(waiter.get(), S_OK);
    EXPECT_NE(second.get(), nullptr);
    EXPECT_EQ(a->FreeCount(), 0);
}

TEST(CMemAllocatorTest, FlushingAndDecommitReleaseWaiters) {
    auto a = Make(1, 16);
    CSampleRef held;
    ASSERT_EQ(a->GetBuffer(&held, nullptr, nullptr, 0), S_OK);
    CSampleRef s;
    auto w1 = std::async(std::launch::async, [&] { return a->GetBuffer(&s, nullptr, nullptr, 0); });
    a->SetFlushing(true);
    ASSERT_EQ(w1.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(w1.get(), VFW_E_WRONG_STATE);
    EXPECT_EQ(a->GetBuffer(&s, nullptr, nullptr, 0), VFW_E_WRONG_STATE);
    a->SetFlushing(false);

    auto w2 = std::async(std::launch::async, [&] { return a->GetBuffer(&s, nullptr, nullptr, 0); });
    a->Decommit();
    ASSERT_EQ(w2.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(w2.get(), VFW_E_NOT_COMMITTED);
    // A sample returned after the allocator's last owner let go still finds it.
    a.reset();
    held.Release();
}

TEST(CMediaTypeTest, VideoAndAudioTypes) {
    CMediaType yv12, rgb;
    ASSERT_TRUE(yv12.InitVideo(SubType::YV12, 32, 16));
    EXPECT_EQ(yv12.GetSampleSize(), 32u * 16u * 3u / 2u);
    EXPECT_EQ(yv12.VideoInfo()->bmiHeader.biCompression, FOURCC_YV12);
    EXPECT_EQ(yv12.WaveFormat(), nullptr);
    ASSERT_TRUE(rgb.InitVideo(SubType::RGB24, 30, 10));
    EXPECT_EQ(CMediaType::Rgb24Stride(30), 92u);
    EXPECT_EQ(rgb.GetSampleSize(), 920u);
    EXPECT_NE(yv12, rgb);
    CMediaType copy = rgb;
    EXPECT_EQ(copy, rgb);
    EXPECT_FALSE(rgb.InitVideo(SubType::PCM, 4, 4));
    CMediaType pcm;
    ASSERT_TRUE(pcm.InitAudioPcm(2, 44100));
    EXPECT_EQ(pcm.WaveFormat()->nBlockAlign, 4);
    EXPECT_EQ(pcm.WaveFormat()->nAvgBytesPerSec, 176400u);
    EXPECT_EQ(pcm.GetSampleSize(), 4u);
}

}  // namespace
}  // namespace zvp
