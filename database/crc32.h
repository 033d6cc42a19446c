// The checksum of the database file: the standard CRC-32 of ISO-HDLC,
// IEEE 802.3 and zlib (reflected polynomial 0xEDB88320, initial value
// 0xFFFFFFFF, result complemented; "123456789" gives 0xCBF43926).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

uint32_t StreamCRC(const uint8_t* data, size_t size);
// The checksum of the whole in-memory image.
uint32_t StreamCRC(const std::vector<uint8_t>& stream);
