#include "decoderlib/disctitle.h"

#include "decoderlib/avhandles.h"

#include "dvd/disc.h"
#include "dvd/titlesource.h"

namespace decoderlib {

namespace {

class DiscTitle final : public ByteSource {
public:
    DiscTitle(const std::string& path, int title, int angle) : disc_(path), source_(disc_, title, angle) {}

    std::int64_t Size() const override { return source_.Size(); }
    std::size_t ReadAt(std::int64_t offset, void* buffer, std::size_t count) const override
    {
        return source_.ReadAt(offset, buffer, count);
    }
    int CellAt(std::int64_t offset) const override { return source_.CellAt(offset); }
    std::int64_t CellStartAfter(std::int64_t offset) const override { return source_.CellStartAfter(offset); }

private:
    dvd::Disc disc_;
    dvd::TitleSource source_;
};

std::unique_ptr<ByteSource> OpenDiscTitle(const std::string& path, int title, int angle)
{
    try {
        return std::make_unique<DiscTitle>(path, title, angle);
    } catch (const dvd::DiscError& e) {
        throw DecodeError(e.what());
    }
}

}  // namespace

VideoFile OpenVideo(const std::string& path, int title, int angle)
{
    return dvd::IsDiscPath(path) ? VideoFile(OpenDiscTitle(path, title, angle)) : VideoFile(path);
}

}  // namespace decoderlib
