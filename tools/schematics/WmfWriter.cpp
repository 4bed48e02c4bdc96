// Placeable Windows metafile writer.
#include "WmfWriter.h"

#include <algorithm>
#include <stdexcept>

namespace loopcraft::wmf {

namespace {

std::uint16_t word(int v) {
    return static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
}

std::vector<std::uint16_t> colourWords(Colour c) {
    return {static_cast<std::uint16_t>(c.r | (c.g << 8)), c.b};
}

void putWord(std::vector<std::uint8_t>& out, std::uint16_t w) {
    out.push_back(static_cast<std::uint8_t>(w & 0xFF));
    out.push_back(static_cast<std::uint8_t>(w >> 8));
}

void putDword(std::vector<std::uint8_t>& out, std::uint32_t d) {
    putWord(out, static_cast<std::uint16_t>(d & 0xFFFF));
    putWord(out, static_cast<std::uint16_t>(d >> 16));
}

// 8-bit text packed two characters to a word, padded to a whole word.
std::vector<std::uint16_t> textWords(const std::string& text) {
    std::vector<std::uint16_t> words((text.size() + 1) / 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        words[i / 2] |=
            static_cast<std::uint16_t>(static_cast<std::uint8_t>(text[i]) << (8 * (i % 2)));
    }
    return words;
}

std::vector<std::uint16_t> pointWords(const std::vector<Point>& points) {
    std::vector<std::uint16_t> params{word(static_cast<int>(points.size()))};
    for (const auto& p : points) {
        params.push_back(word(p.x));
        params.push_back(word(p.y));
    }
    return params;
}

} // namespace

Writer::Writer(int left, int top, int right, int bottom, int unitsPerInch)
    : mLeft(left), mTop(top), mRight(right), mBottom(bottom), mUnitsPerInch(unitsPerInch) {}

void Writer::record(std::uint16_t function, const std::vector<std::uint16_t>& params) {
    const auto size = static_cast<std::uint32_t>(3 + params.size());
    mRecords.push_back(static_cast<std::uint16_t>(size & 0xFFFF));
    mRecords.push_back(static_cast<std::uint16_t>(size >> 16));
    mRecords.push_back(function);
    mRecords.insert(mRecords.end(), params.begin(), params.end());
    mMaxRecordWords = std::max(mMaxRecordWords, size);
}

int Writer::createObject(std::uint16_t function, const std::vector<std::uint16_t>& params) {
    record(function, params);
    const auto free = std::find(mSlots.begin(), mSlots.end(), false);
    const auto slot = static_cast<int>(free - mSlots.begin());
    if (free == mSlots.end()) {
        mSlots.push_back(true);
    } else {
        *free = true;
    }
    return slot;
}

int Writer::createPen(std::uint16_t style, int width, Colour colour) {
    auto params = std::vector<std::uint16_t>{style, word(width), 0};
    const auto c = colourWords(colour);
    params.insert(params.end(), c.begin(), c.end());
    return createObject(CreatePenIndirect, params);
}

int Writer::createBrush(std::uint16_t style, Colour colour) {
    auto params = std::vector<std::uint16_t>{style};
    const auto c = colourWords(colour);
    params.insert(params.end(), c.begin(), c.end());
    params.push_back(0); // hatch
    return createObject(CreateBrushIndirect, params);
}

int Writer::createFont(int height, int weight, const std::string& face) {
    // Height, width, escapement, orientation, weight; italic/underline, strike-out/charset,
    // output/clip precision, quality/pitch and family (variable pitch, sans serif).
    std::vector<std::uint16_t> params{word(height), 0, 0, 0, word(weight), 0, 0, 0, 0x2200};
    auto name = face.substr(0, 31);
    name.push_back('\0');
    const auto faceWords = textWords(name);
    params.insert(params.end(), faceWords.begin(), faceWords.end());
    return createObject(CreateFontIndirect, params);
}

void Writer::selectObject(int slot) {
    record(SelectObject, {word(slot)});
}

void Writer::deleteObject(int slot) {
    record(DeleteObject, {word(slot)});
    if (slot >= 0 && slot < static_cast<int>(mSlots.size())) {
        mSlots[static_cast<std::size_t>(slot)] = false;
    }
}

void Writer::setWindowOrg(int x, int y) {
    record(SetWindowOrg, {word(y), word(x)});
}
void Writer::setWindowExt(int x, int y) {
    record(SetWindowExt, {word(y), word(x)});
}
void Writer::setMapMode(std::uint16_t mode) {
    record(SetMapMode, {mode});
}
void Writer::setBkMode(std::uint16_t mode) {
    record(SetBkMode, {mode});
}
void Writer::setTextColour(Colour colour) {
    record(SetTextColor, colourWords(colour));
}
void Writer::setTextAlign(std::uint16_t align) {
    record(SetTextAlign, {align});
}

void Writer::polyline(const std::vector<Point>& points) {
    record(Polyline, pointWords(points));
}
void Writer::polygon(const std::vector<Point>& points) {
    record(Polygon, pointWords(points));
}
void Writer::ellipse(int left, int top, int right, int bottom) {
    record(Ellipse, {word(bottom), word(right), word(top), word(left)});
}
void Writer::rectangle(int left, int top, int right, int bottom) {
    record(Rectangle, {word(bottom), word(right), word(top), word(left)});
}

void Writer::textOut(int x, int y, const std::string& text) {
    std::vector<std::uint16_t> params{word(static_cast<int>(text.size()))};
    const auto chars = textWords(text);
    params.insert(params.end(), chars.begin(), chars.end());
    params.push_back(word(y));
    params.push_back(word(x));
    record(TextOut, params);
}

std::vector<std::uint8_t> Writer::finish() const {
    constexpr std::uint32_t kHeaderWords = 9;
    constexpr std::uint32_t kEndWords = 3;
    const auto totalWords = static_cast<std::uint32_t>(kHeaderWords + mRecords.size() + kEndWords);

    std::vector<std::uint8_t> out;
    out.reserve(22 + 2 * totalWords);
    // Placeable header: key, handle, bounding box, units per inch, reserved, checksum over the
    // ten words before it.
    const std::vector<std::uint16_t> placeable{static_cast<std::uint16_t>(kPlaceableKey & 0xFFFF),
                                               static_cast<std::uint16_t>(kPlaceableKey >> 16),
                                               0,
                                               word(mLeft),
                                               word(mTop),
                                               word(mRight),
                                               word(mBottom),
                                               word(mUnitsPerInch),
                                               0,
                                               0};
    std::uint16_t checksum = 0;
    for (const auto w : placeable) {
        putWord(out, w);
        checksum ^= w;
    }
    putWord(out, checksum);

    // Metafile header: in memory, 9 words, version 3.0, size, objects, largest record, unused.
    putWord(out, 1);
    putWord(out, kHeaderWords);
    putWord(out, 0x0300);
    putDword(out, totalWords);
    putWord(out, static_cast<std::uint16_t>(std::max<std::size_t>(mSlots.size(), 1)));
    putDword(out, mMaxRecordWords);
    putWord(out, 0);

    for (const auto w : mRecords) {
        putWord(out, w);
    }
    putDword(out, kEndWords);
    putWord(out, EndOfFile);
    return out;
}

} // namespace loopcraft::wmf
