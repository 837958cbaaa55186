#include "platform/CSoundDevice.h"

#include "platform/CPrimarySoundBuffer.h"
#include "platform/CSoundBuffer.h"

#include "AudioDriver.h"
#include "SoundTestFormats.h"
#include "WaveBytes.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using Samples = DiskOutput::Samples;

std::unique_ptr<CSoundBuffer> MakeBuffer(CSoundDevice& device, DWORD rate, WORD channels,
                                         const Samples& samples) {
    auto buffer = device.CreateSoundBuffer(PcmFormat(rate, channels, 16),
                                           static_cast<DWORD>(samples.size() * 2));
    if (buffer) {
        std::memcpy(buffer->Data(), samples.data(), samples.size() * 2);
    }
    return buffer;
}

TEST(CSoundDeviceTest, TheDummyDriverGivesADevice) {
    ScopedAudioDriver driver("dummy");

    EXPECT_NE(CSoundDevice::Create(), nullptr);
}

TEST(CSoundDeviceTest, NoWorkingDriverGivesNoDevice) {
    ScopedAudioDriver driver("no-such-driver");

    EXPECT_EQ(CSoundDevice::Create(), nullptr);
}

TEST(CSoundDeviceTest, DeviceCanBeMadeAgainAfterTheLastOneIsGone) {
    ScopedAudioDriver driver("dummy");
    CSoundDevice::Create().reset();

    EXPECT_NE(CSoundDevice::Create(), nullptr);
}

TEST(CSoundDeviceTest, EveryCooperativeLevelIsAccepted) {
    ScopedAudioDriver driver("dummy");
    auto device = CSoundDevice::Create();
    ASSERT_NE(device, nullptr);

    EXPECT_EQ(device->SetCooperativeLevel(nullptr, DSSCL_EXCLUSIVE), S_OK);
}

TEST(CSoundDeviceTest, BuffersNeedAPlayableFormatAndASizeInTheLimits) {
    ScopedAudioDriver driver("dummy");
    auto device = CSoundDevice::Create();
    ASSERT_NE(device, nullptr);

    EXPECT_NE(device->CreateSoundBuffer(PcmFormat(22050, 1, 8), 4), nullptr);
    EXPECT_EQ(device->CreateSoundBuffer(PcmFormat(22050, 1, 8), 3), nullptr);
    EXPECT_EQ(device->CreateSoundBuffer(PcmFormat(22050, 1, 8), CSoundBuffer::MaximumBytes + 1),
              nullptr);
    EXPECT_EQ(device->CreateSoundBuffer(PcmFormat(22050, 1, 24), 300), nullptr);
    EXPECT_EQ(device->CreateSoundBuffer(WAVEFORMATEX{}, 300), nullptr);
}

TEST(CSoundDeviceTest, OutputFormatMustBeSixteenBitPcmMonoOrStereo) {
    ScopedAudioDriver driver("dummy");
    auto device = CSoundDevice::Create();
    ASSERT_NE(device, nullptr);
    auto primary = device->CreatePrimaryBuffer();

    EXPECT_EQ(primary->SetFormat(PcmFormat(44100, 2, 16)), S_OK);
    EXPECT_EQ(primary->SetFormat(PcmFormat(22050, 1, 16)), S_OK);
    EXPECT_EQ(primary->SetFormat(PcmFormat(44100, 2, 8)), DSERR_BADFORMAT);
    EXPECT_EQ(primary->SetFormat(PcmFormat(44100, 6, 16)), DSERR_BADFORMAT);
    EXPECT_EQ(primary->SetFormat(PcmFormat(7999, 2, 16)), DSERR_BADFORMAT);
}

class CSoundDeviceOutputTest : public testing::Test {
protected:
    ScratchFolder folder;
    DiskOutput output{folder.PathOf("output.raw")};
    ScopedAudioDriver driver{"disk", output.Path()};
};

TEST_F(CSoundDeviceOutputTest, PlayedBufferIsHeardInTheOutput) {
    auto device = CSoundDevice::Create();
    ASSERT_NE(device, nullptr);
    const Samples sound = WaveBytes::Ramp(8820);
    auto buffer = MakeBuffer(*device, 44100, 2, sound);
    ASSERT_NE(buffer, nullptr);

    buffer->Play(0);

    const Samples mixed =
        output.WaitFor([&](const Samples& s) { return DiskOutput::Find(s, sound) >= 0; });
    EXPECT_GE(DiskOutput::Find(mixed, sound), 0);
}

TEST_F(CSoundDeviceOutputTest, OutputReopensInTheNewFormat) {
    auto device = CSoundDevice::Create();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(device->CreatePrimaryBuffer()->SetFormat(PcmFormat(22050, 1, 16)), S_OK);
    const Samples sound = WaveBytes::Ramp(4410, 7);
    auto buffer = MakeBuffer(*device, 22050, 1, sound);

    buffer->Play(0);

    // Mono at the output rate comes out sample for sample.
    const Samples mixed =
        output.WaitFor([&](const Samples& s) { return DiskOutput::Find(s, sound) >= 0; });
    EXPECT_GE(DiskOutput::Find(mixed, sound), 0);
}

} // namespace
