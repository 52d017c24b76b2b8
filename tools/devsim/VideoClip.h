#pragma once
// The simulator's video: an H.264 MPEG-TS clip cut into one-second pieces, each
// beginning with the program tables and a key frame, so any run of pieces plays
// from its first byte. Looped by wall clock: second t of the day shows piece
// t mod count, for live play and downloads alike.

#include <cstdint>
#include <string>
#include <vector>

namespace devsim {

class VideoClip
{
public:
    // Reads and cuts a clip; false with the reason when it is not usable.
    bool load(const std::string& path, std::string& error);
    // Makes a clip with ffmpeg (testsrc, libx264) unless one exists at path.
    static bool make(const std::string& path, int seconds, std::string& error, uint16_t width = kWidth,
                     uint16_t height = kHeight);

    size_t pieceCount() const { return pieces_.size(); }
    const std::vector<uint8_t>& pieceAt(int64_t epochSecond) const;
    // The piece of that second with its time stamps moved on by the loops
    // before it, so consecutive seconds play as one continuous recording.
    std::vector<uint8_t> timedPieceAt(int64_t epochSecond) const;
    // Byte offsets in pieceAt(epochSecond) where its pictures start, so live
    // play can send one picture at a time; the first is 0 (the tables go with
    // the first picture).
    const std::vector<size_t>& pictureStartsAt(int64_t epochSecond) const;
    // What make() encodes unless told another size.
    static constexpr uint16_t kWidth = 640;
    static constexpr uint16_t kHeight = 360;
    static constexpr uint16_t kFramesPerSecond = 25;
    // The picture size the stream header announces: the one the clip was made with.
    void setSize(uint16_t width, uint16_t height)
    {
        width_ = width;
        height_ = height;
    }
    uint16_t width() const { return width_; }
    uint16_t height() const { return height_; }
    uint16_t framesPerSecond() const { return kFramesPerSecond; }

private:
    uint16_t width_ = kWidth;
    uint16_t height_ = kHeight;
    size_t indexAt(int64_t epochSecond) const;

    std::vector<std::vector<uint8_t>> pieces_;
    std::vector<std::vector<size_t>> pictureStarts_;
};

} // namespace devsim
