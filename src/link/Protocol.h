#pragma once

#include <array>
#include <cstdint>

namespace pyra {

// Command bytes (first payload byte). A write command is always its read command minus 16.
inline constexpr int kCmdReadGeneral = 112;
inline constexpr int kCmdWriteGeneral = 96;

// Sub-codes of the general settings.
inline constexpr int kSubVersion = 0;  // read: firmware version; write: erase
inline constexpr int kSubIDString = 10;

inline constexpr int kMaxPayload = 15;
inline constexpr int kMaxIDLength = 12;

// The module erases its configuration memory only when 96, 0 is followed by exactly these eight
// bytes; the tool and the simulated module both take them from here.
inline constexpr std::array<uint8_t, 8> kEraseGuard = {0x50, 0x79, 0x72, 0x61,
                                                       0x45, 0x72, 0x61, 0x73};

// Header bits of a direct-link frame.
inline constexpr int kHeaderBase = 128 + 64;
inline constexpr int kHeaderBidirectional = 32;
inline constexpr int kHeaderExtended = 16;

// Link reset preamble written before the first frame after the port (or the address) changed.
inline constexpr std::array<uint8_t, 9> kSyncBurst = {0x00, 0x00, 0x00, 0xFF, 0xFF,
                                                      0xFF, 0xAA, 0xAA, 0xAA};

// Velora PC protocol.
inline constexpr int kVeloraModuleBase = 96;  // tunnelled module address = ModuleAddress + 96
inline constexpr int kVeloraMinTunnelVersion = 3200;
inline constexpr int kInterfaceHBA = 2;
inline constexpr int kInterfaceHBB = 3;
inline constexpr int kInterfaceTavi = 10;

inline constexpr double kReplyTimeoutSeconds = 2.0;

}  // namespace pyra
