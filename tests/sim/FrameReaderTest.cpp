#include <gtest/gtest.h>

#include <vector>

#include "sim/FrameReader.h"
#include "sim/SimFrames.h"

namespace {

// Times in microseconds; the gap is that of 9600 baud (3645 us).
class FrameReaderTest : public ::testing::Test {
 protected:
  void feed(const QByteArray& bytes, uint64_t atUs) {
    reader.feed(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size()), atUs,
                frames);
  }
  std::vector<std::string> received() const {
    std::vector<std::string> out;
    for (const QByteArray& f : frames) out.push_back(hex(f));
    return out;
  }

  FrameReader reader{FrameReader::gapForBaud(9600)};
  std::vector<QByteArray> frames;
  const QByteArray read = frame("64 03 00 00 00 01");
  const QByteArray write = frame("64 10 00 04 00 02 04 5A 00 65 A1");
};

TEST(FrameReaderGap, IsThreeAndAHalfCharactersAndAtLeastTwoMilliseconds) {
  EXPECT_EQ(FrameReader::gapForBaud(9600), 3645u);
  EXPECT_EQ(FrameReader::gapForBaud(115200), 2000u);
  EXPECT_EQ(FrameReader::gapForBaud(0), 2000u);
}

TEST_F(FrameReaderTest, CutsFramesByTheLengthTheirFunctionGives) {
  feed(read + write, 0);        // back to back in one chunk
  feed(write.left(5), 10'000);  // the byte count is not there yet
  feed(write.mid(5, 3), 11'000);
  feed(write.mid(8), 12'000);
  EXPECT_EQ(received(), (std::vector<std::string>{hex(read), hex(write), hex(write)}));
  EXPECT_FALSE(reader.gapDeadline());
}

TEST_F(FrameReaderTest, SilenceDropsAPartialFrameAndResynchronises) {
  feed(QByteArray::fromHex("64 03 00"), 0);  // noise that looks like a start
  ASSERT_EQ(reader.gapDeadline(), 3646u);
  reader.idle(3000, frames);  // still within the gap: the frame may go on
  feed(read, 3000 + 3646);    // after a gap: a fresh start
  EXPECT_EQ(received(), (std::vector<std::string>{hex(read)}));
  EXPECT_EQ(reader.droppedFrames(), 1);
}

TEST_F(FrameReaderTest, NoiseWithoutSilenceLosesTheFrameButNotTheNextOne) {
  feed(QByteArray::fromHex("FF") + read, 0);  // length read from the wrong bytes
  feed(read.right(1), 500);                   // the rest, still without a gap
  EXPECT_TRUE(frames.empty());
  feed(read, 10'000);
  EXPECT_EQ(received(), (std::vector<std::string>{hex(read)}));
}

TEST_F(FrameReaderTest, BadCrcDropsEverythingUpToTheNextSilence) {
  QByteArray bad = read;
  bad[7] = char(bad[7] ^ 0x10);
  feed(bad + read, 0);
  EXPECT_TRUE(frames.empty());
  reader.idle(5000, frames);
  feed(read, 5000);
  EXPECT_EQ(received(), (std::vector<std::string>{hex(read)}));
}

TEST_F(FrameReaderTest, FrameOfAnotherFunctionEndsWithSilence) {
  const QByteArray other = frame("64 04 00 00 00 01");
  feed(other, 0);
  EXPECT_TRUE(frames.empty());
  reader.idle(*reader.gapDeadline(), frames);
  EXPECT_EQ(received(), (std::vector<std::string>{hex(other)}));
}

}  // namespace
