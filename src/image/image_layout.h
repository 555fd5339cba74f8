// Where everything sits in the flash image, and what the firmware must carry.
#pragma once

#include <cstdint>

// Areas of the image, in file order.
constexpr std::int32_t kBlankAreaOffset = 0x00000;
constexpr std::int32_t kBlankAreaSize = 0x8000;
constexpr std::int32_t kCalibrationAreaOffset = 0x08000;
constexpr std::int32_t kCalibrationAreaSize = 0x8000;
constexpr std::int32_t kFirmwarePrefixOffset = 0x10000;
constexpr std::int32_t kFirmwarePrefixSize = 0x10;
constexpr std::int32_t kFirmwareAreaOffset = 0x10010;

static_assert(kBlankAreaOffset == 0, "the image starts with the blank area");
static_assert(kBlankAreaOffset + kBlankAreaSize == kCalibrationAreaOffset);
static_assert(kCalibrationAreaOffset + kCalibrationAreaSize == kFirmwarePrefixOffset);
static_assert(kFirmwarePrefixOffset + kFirmwarePrefixSize == kFirmwareAreaOffset);

constexpr std::uint8_t kErasedByte = 0xFF;
constexpr std::uint8_t kFirmwarePrefix[kFirmwarePrefixSize] = {
    0x90, 0x48, 0x24, 0x42, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
};

// Offsets within the firmware file.
constexpr std::int32_t kMarkerOffset = 0x200;
constexpr std::int32_t kSizeByteOffset = 0x201;
constexpr std::uint8_t kMarkerByte = 0xFA;
static_assert(kSizeByteOffset == kMarkerOffset + 1);

// Final image lengths chosen by the size byte.
constexpr std::int32_t kSizeClassUndecided = 0;
constexpr std::int32_t kSizeClassNone = -1;
constexpr std::int32_t kSmallImageSize = 0x40000;
constexpr std::int32_t kLargeImageSize = 0x80000;
constexpr std::uint8_t kSmallSizeByteFirst = 0x04;
constexpr std::uint8_t kLargeSizeByteFirst = 0x08;
constexpr std::uint8_t kLargeSizeByteLast = 0x0F;
static_assert(kFirmwareAreaOffset < kSmallImageSize && kSmallImageSize < kLargeImageSize);

constexpr std::int32_t SizeClassFromByte(std::uint8_t sizeByte) {
    if (sizeByte >= kLargeSizeByteFirst && sizeByte <= kLargeSizeByteLast) {
        return kLargeImageSize;
    }
    if (sizeByte >= kSmallSizeByteFirst && sizeByte < kLargeSizeByteFirst) {
        return kSmallImageSize;
    }
    return kSizeClassNone;
}

// Lengths are 32-bit signed, so no image is longer than this.
constexpr std::int32_t kLargestImageSize = 0x7FFFFFFF;

// One buffer serves every read and write; the firmware streams through it.
constexpr std::int32_t kTransferBufferSize = 0x10000;
static_assert(kBlankAreaSize <= kTransferBufferSize);
static_assert(kCalibrationAreaSize <= kTransferBufferSize);
static_assert(kSizeByteOffset < kTransferBufferSize, "the marker must lie in the first chunk");
