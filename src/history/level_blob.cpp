#include "history/level_blob.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>
#include <zlib.h>

#include "history/sqlite_database.h"

namespace tivka {

namespace {

using geometry::kFirstLevelColumn;
using geometry::kLevelColumns;
using geometry::kNowColumn;

constexpr char kFormat = 1;
constexpr std::uint8_t kPricesListed = 1;
constexpr std::uint8_t kMarksListed = 2;
constexpr std::uint8_t kStepListed = 4;
constexpr std::uint8_t kCentreListed = 8;
constexpr std::uint8_t kBarsAsLengths = 16;
constexpr std::size_t kMaxBodySize = 4 + 255 * 20 + 8 + 2 * kLevelColumns + 2 + 8 * kLevelColumns;

static_assert(std::endian::native == std::endian::little, "the blob layout is written as the machine holds it");

void put(std::string& out, const void* bytes, std::size_t size)
{
    out.append(static_cast<const char*>(bytes), size);
}

template <class T>
void putValue(std::string& out, T value)
{
    put(out, &value, sizeof value);
}

// Reads the body front to back; throws when it runs short.
class BodyReader {
public:
    BodyReader(std::string_view body, std::int64_t id) : body_(body), id_(id) {}

    template <class T>
    T take()
    {
        T value;
        need(sizeof value);
        std::memcpy(&value, body_.data() + at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    void need(std::size_t size) const
    {
        if (body_.size() - at_ < size)
            bad("the blob is cut short");
    }
    bool atEnd() const { return at_ == body_.size(); }
    [[noreturn]] void bad(const std::string& what) const
    {
        throw HistoryError("levels of reading " + std::to_string(id_) + ": " + what);
    }

private:
    std::string_view body_;
    std::int64_t id_;
    std::size_t at_ = 0;
};

double derivedPrice(const ChartReading& reading, int column)
{
    return column == kNowColumn ? reading.price : ColumnPrice(reading.scale, reading.step, column);
}

bool pricesFollowScale(const ChartReading& reading)
{
    for (int column = kFirstLevelColumn; column < kFirstLevelColumn + kLevelColumns; ++column)
        if (std::bit_cast<std::uint64_t>(reading.level(column).price) !=
            std::bit_cast<std::uint64_t>(derivedPrice(reading, column)))
            return false;
    return true;
}

std::uint8_t pixelByte(int pixels)
{
    if (pixels < 0 || pixels > 255)
        throw HistoryError("a bar of " + std::to_string(pixels) + " pixels cannot be kept");
    return std::uint8_t(pixels);
}


bool sameBits(double a, double b)
{
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

void putVarint(std::string& out, std::int64_t value)
{
    auto zigzag = (std::uint64_t(value) << 1) ^ std::uint64_t(value >> 63);
    for (; zigzag >= 0x80; zigzag >>= 7)
        out += char(zigzag | 0x80);
    out += char(zigzag);
}

constexpr std::int64_t kPowers[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// The fewest decimals (up to 8) in which every label price is a whole number
// of units that divides back to exactly the same double; nothing if none.
std::optional<int> scaleDecimals(const std::vector<ScaleMark>& scale)
{
    for (int decimals = 0; decimals <= 8; ++decimals) {
        bool exact = true;
        for (const ScaleMark& mark : scale) {
            const double units = std::nearbyint(mark.price * double(kPowers[decimals]));
            exact = exact && std::fabs(units) < 1e15 &&
                    sameBits(units / double(kPowers[decimals]), mark.price);
        }
        if (exact)
            return decimals;
    }
    return std::nullopt;
}

// Labels as decimals, then each column and price in units as the change from
// the label before (labels are evenly spaced, so the changes repeat and
// compress to almost nothing); or, with no such decimals, as raw values.
void putMarks(std::string& out, const std::vector<ScaleMark>& scale, std::optional<int> decimals)
{
    putValue(out, std::uint8_t(scale.size()));
    if (!decimals) {
        for (const ScaleMark& mark : scale) {
            putValue(out, std::int16_t(mark.column));
            putValue(out, mark.price);
        }
        return;
    }
    putValue(out, std::uint8_t(*decimals));
    std::int64_t column = 0;
    std::int64_t units = 0;
    for (const ScaleMark& mark : scale) {
        const auto markUnits = std::int64_t(std::nearbyint(mark.price * double(kPowers[*decimals])));
        putVarint(out, mark.column - column);
        putVarint(out, markUnits - units);
        column = mark.column;
        units = markUnits;
    }
}

// Bars from the current price outwards on either side, each as its change
// from the bar before: cumulative charts grow by small steps, which
// compresses far better than the lengths themselves.
void putPixels(std::string& out, const ChartReading& reading, bool asChanges)
{
    for (const bool buy : {true, false})
        for (const int direction : {-1, 1}) {
            int previous = 0;
            for (int d = 1; d <= geometry::kSideColumns; ++d) {
                const Level& level = reading.level(kNowColumn + direction * d);
                const int pixels = pixelByte(buy ? level.buyPixels : level.sellPixels);
                out += char(std::uint8_t(pixels - previous));
                previous = asChanges ? pixels : 0;
            }
        }
}


std::int64_t takeVarint(BodyReader& in)
{
    std::uint64_t zigzag = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const auto byte = in.take<std::uint8_t>();
        zigzag |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return std::int64_t(zigzag >> 1) ^ -std::int64_t(zigzag & 1);
    }
    in.bad("a number in the scale is too long");
}

void takeMarks(BodyReader& in, std::vector<ScaleMark>& scale, bool listed)
{
    scale.resize(in.take<std::uint8_t>());
    if (listed) {
        for (ScaleMark& mark : scale) {
            mark.column = in.take<std::int16_t>();
            mark.price = in.take<double>();
        }
        return;
    }
    const auto decimals = in.take<std::uint8_t>();
    if (decimals > 8)
        in.bad("the scale has " + std::to_string(decimals) + " decimals");
    std::int64_t column = 0;
    std::int64_t units = 0;
    for (ScaleMark& mark : scale) {
        column += takeVarint(in);
        units += takeVarint(in);
        mark.column = int(column);
        mark.price = double(units) / double(kPowers[decimals]);
    }
}

void takePixels(BodyReader& in, ChartReading& reading, bool asChanges)
{
    for (const bool buy : {true, false})
        for (const int direction : {-1, 1}) {
            std::uint8_t previous = 0;
            for (int d = 1; d <= geometry::kSideColumns; ++d) {
                Level& level = reading.level(kNowColumn + direction * d);
                const auto pixels = std::uint8_t((asChanges ? previous : 0) + in.take<std::uint8_t>());
                (buy ? level.buyPixels : level.sellPixels) = pixels;
                previous = pixels;
            }
        }
    reading.level(kNowColumn).buyPixels = 0;
    reading.level(kNowColumn).sellPixels = 0;
}

}  // namespace

std::string LevelBody(const ChartReading& reading, bool barsAsChanges)
{
    if (reading.scale.size() > 255)
        throw HistoryError("a scale of " + std::to_string(reading.scale.size()) + " labels cannot be kept");
    const std::optional<int> decimals = scaleDecimals(reading.scale);
    std::uint8_t flags = pricesFollowScale(reading) ? 0 : kPricesListed;
    if (!decimals)
        flags |= kMarksListed;
    if (!decimals || !sameBits(reading.step, ScaleStep(reading.scale)))
        flags |= kStepListed;
    const Level& centre = reading.level(kNowColumn);
    if (centre.buyPixels != 0 || centre.sellPixels != 0)
        flags |= kCentreListed;
    if (!barsAsChanges)
        flags |= kBarsAsLengths;
    std::string body;
    putValue(body, flags);
    putMarks(body, reading.scale, decimals);
    if (flags & kStepListed)
        putValue(body, reading.step);
    putPixels(body, reading, barsAsChanges);
    if (flags & kCentreListed) {
        putValue(body, pixelByte(centre.buyPixels));
        putValue(body, pixelByte(centre.sellPixels));
    }
    if (flags & kPricesListed)
        for (const Level& level : reading.levels)
            putValue(body, level.price);
    return body;
}

PackedLevels PackReadingLevels(const ChartReading& reading)
{
    PackedLevels best;
    for (const bool asChanges : {true, false}) {
        std::string body = LevelBody(reading, asChanges);
        std::string blob = PackLevels(body);
        if (best.blob.empty() || blob.size() < best.blob.size())
            best = {std::move(body), std::move(blob)};
    }
    return best;
}

// Raw deflate (no zlib header or checksum: six bytes a reading, and SQLite
// checks its pages itself); the end of the stream is checked when unpacking.
std::string PackLevels(std::string_view body)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw HistoryError("the levels could not be compressed");
    std::string blob(1 + deflateBound(&stream, uLong(body.size())), kFormat);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    stream.avail_in = uInt(body.size());
    stream.next_out = reinterpret_cast<Bytef*>(blob.data() + 1);
    stream.avail_out = uInt(blob.size() - 1);
    const int result = deflate(&stream, Z_FINISH);
    blob.resize(1 + stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw HistoryError("the levels could not be compressed");
    return blob;
}

std::string UnpackLevels(std::string_view blob, std::int64_t readingId)
{
    BodyReader check(blob, readingId);
    if (blob.empty() || blob[0] != kFormat)
        check.bad(blob.empty() ? "the blob is empty" : "unknown format " + std::to_string(int(blob[0])));
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        check.bad("out of memory");
    std::string body(kMaxBodySize, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(blob.data() + 1));
    stream.avail_in = uInt(blob.size() - 1);
    stream.next_out = reinterpret_cast<Bytef*>(body.data());
    stream.avail_out = uInt(body.size());
    const int result = inflate(&stream, Z_FINISH);
    const bool whole = result == Z_STREAM_END && stream.avail_in == 0;
    body.resize(stream.total_out);
    inflateEnd(&stream);
    if (!whole)
        check.bad("the compressed levels are damaged");
    return body;
}

void ApplyLevelBody(std::string_view body, ChartReading& reading, std::int64_t readingId)
{
    BodyReader in(body, readingId);
    const auto flags = in.take<std::uint8_t>();
    takeMarks(in, reading.scale, flags & kMarksListed);
    reading.step = (flags & kStepListed) ? in.take<double>() : ScaleStep(reading.scale);
    takePixels(in, reading, !(flags & kBarsAsLengths));
    if (flags & kCentreListed) {
        reading.level(kNowColumn).buyPixels = in.take<std::uint8_t>();
        reading.level(kNowColumn).sellPixels = in.take<std::uint8_t>();
    }
    for (int i = 0; i < kLevelColumns; ++i)
        reading.levels[std::size_t(i)].price =
            (flags & kPricesListed) ? in.take<double>() : derivedPrice(reading, kFirstLevelColumn + i);
    if (!in.atEnd())
        in.bad("the blob is longer than its layout");
}

std::uint32_t BodyDigest(std::string_view body)
{
    std::uint32_t hash = 2166136261u;
    for (const char byte : body)
        hash = (hash ^ std::uint8_t(byte)) * 16777619u;
    return hash;
}

}  // namespace tivka
