// A session replaced, sought or closed while its worker decodes ahead: every frame lands on its
// second, and (under AddressSanitizer's leak check) nothing the worker decoded is lost on the way.
#include "decoderlib/session.h"

#include "support/fixtures.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

namespace {

using decoderlib::Session;

struct Video {
    const char* name;
    bool whole;  // every second's first frame is there to land on
};

void PrintTo(const Video& v, std::ostream* os)
{
    *os << v.name;
}

class SessionTeardown : public testing::TestWithParam<Video> {};

TEST_P(SessionTeardown, ReplacedOrSoughtMidDecodeKeepsEveryFrameOwned)
{
    av_log_set_level(AV_LOG_QUIET);
    const std::string path = FixturePath(GetParam().name);
    std::mt19937 random(7);
    std::unique_ptr<Session> session;
    for (int round = 0; round < 12; ++round) {
        // The old session's worker is still decoding while its successor opens, as in the library.
        session = std::make_unique<Session>(path);
        const std::int32_t total = session->FileInfo().TotalSeconds;
        ASSERT_GT(total, 0);
        for (int step = 0; step < 3; ++step) {
            // Reading a few frames leaves the worker anywhere: waiting, decoding, or at the end.
            const int frames = static_cast<int>(random() % 6);
            for (int i = 0; i < frames && session->NextFrame(); ++i) {
            }
            const auto second = static_cast<std::int32_t>(random() % static_cast<unsigned>(total + 1));
            session->Seek(second);
            const bool delivered = session->NextFrame() != nullptr;
            if (GetParam().whole) {
                EXPECT_EQ(delivered, second < total) << GetParam().name << " at " << second;
                if (delivered) {
                    EXPECT_EQ(session->FrameInfo().Timestamp, second) << GetParam().name;
                }
            } else if (delivered) {
                EXPECT_GE(session->FrameInfo().Timestamp, second) << GetParam().name;
            }
        }
        if (round % 3 == 0)
            session.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(Decoder, SessionTeardown,
                         // interlacedpal.vob: the deinterlacer holds decoded pictures on the worker too.
                         testing::Values(Video{"pal.vob", true}, Video{"interlacedpal.vob", true},
                                         Video{"zeroed.vob", false}, Video{"truncated.vob", false}),
                         [](const testing::TestParamInfo<Video>& p) {
                             const std::string name = p.param.name;
                             return name.substr(0, name.find('.'));
                         });

}  // namespace
