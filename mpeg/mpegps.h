// The MPEG syntax that the disc module and the decoder library read themselves, named once: the
// program stream's pack and packet headers (ISO/IEC 13818-1 and 11172-1), the DVD navigation pack,
// and the start codes of MPEG-1/2 video (13818-2). Everything else is FFmpeg's or libdvdread's business.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace mpegps {

using Bytes = std::span<const std::uint8_t>;

// Every start code is the prefix 00 00 01 and one byte that says what starts there.
inline constexpr std::size_t kStartCodeSize = 4;
constexpr bool HasStartCodePrefix(const std::uint8_t* p)
{
    return p[0] == 0 && p[1] == 0 && p[2] == 1;
}
constexpr bool IsStartCode(const std::uint8_t* p, std::uint8_t code)
{
    return HasStartCodePrefix(p) && p[3] == code;
}

// Program stream start codes.
inline constexpr std::uint8_t kProgramEnd = 0xB9;
inline constexpr std::uint8_t kPackStart = 0xBA;
inline constexpr std::uint8_t kSystemHeader = 0xBB;
// From the system header on, every start code opens a packet with a 16-bit length; the codes
// below it belong to the video elementary stream, so seeing one between packets means lost sync.
inline constexpr std::uint8_t kFirstPacket = kSystemHeader;
inline constexpr std::uint8_t kProgramStreamMap = 0xBC;
inline constexpr std::uint8_t kPrivateStream1 = 0xBD;  // DVD audio and subpictures, a substream number first
inline constexpr std::uint8_t kPaddingStream = 0xBE;
inline constexpr std::uint8_t kPrivateStream2 = 0xBF; // DVD navigation: PCI and DSI
inline constexpr std::uint8_t kFirstAudioStream = 0xC0;
inline constexpr std::uint8_t kLastAudioStream = 0xDF;
inline constexpr std::uint8_t kFirstVideoStream = 0xE0;
inline constexpr std::uint8_t kLastVideoStream = 0xEF;
inline constexpr std::uint8_t kExtendedStream = 0xFD;  // its stream named in the PES extension

// Video start codes.
inline constexpr std::uint8_t kPictureStart = 0x00;
inline constexpr std::uint8_t kSequenceHeader = 0xB3;
inline constexpr std::uint8_t kExtensionStart = 0xB5;
inline constexpr std::uint8_t kGroupStart = 0xB8; // group of pictures (GOP)

constexpr bool IsVideoStream(std::uint8_t id) { return id >= kFirstVideoStream && id <= kLastVideoStream; }
constexpr bool IsAudioStream(std::uint8_t id)
{
    return id >= kFirstAudioStream && id <= kLastAudioStream;
}

// Offset of the first start code (any code, with `code` only that one) lying wholly inside
// `bytes`, or nothing.
std::optional<std::size_t> FindStartCode(Bytes bytes);
std::optional<std::size_t> FindStartCode(Bytes bytes, std::uint8_t code);

// --- Pack header: 00 00 01 BA, then the clock reference (SCR) from byte 4 on -------------------
// MPEG-2: '01', SCR base 32..30, marker, 29..15, marker, 14..0, marker, 9 bits of extension,
// marker, 22 bits of mux rate, markers, 5 reserved bits and 3 bits of stuffing length.
inline constexpr std::size_t kMpeg2PackHeaderSize = 14;
inline constexpr std::size_t kMpeg1PackHeaderSize = 12;
constexpr bool IsMpeg2Pack(const std::uint8_t* pack) { return (pack[4] & 0xC0) == 0x40; }
// MPEG-1: '0010', SCR 32..30, marker, 29..15, marker, 14..0, marker, then the mux rate.
constexpr bool IsMpeg1Pack(const std::uint8_t* pack) { return (pack[4] & 0xF0) == 0x20; }
// The MPEG-2 header with its stuffing bytes: where the pack's first packet starts.
constexpr std::size_t Mpeg2PackHeaderLength(const std::uint8_t* pack)
{
    return kMpeg2PackHeaderSize + (pack[13] & 7);
}

// The 33-bit SCR base of an MPEG-2 pack header, from its 6 bytes at `b` (pack byte 4).
constexpr std::int64_t ReadMpeg2Scr(const std::uint8_t* b)
{
    return (std::int64_t((b[0] >> 3) & 7) << 30) | (std::int64_t(b[0] & 3) << 28) | (std::int64_t(b[1]) << 20) |
           (std::int64_t(b[2] >> 3) << 15) | (std::int64_t(b[2] & 3) << 13) | (std::int64_t(b[3]) << 5) |
           (b[4] >> 3);
}

// A 33-bit PTS, DTS or MPEG-1 SCR in its 5 bytes at `b`: 4 bits of prefix, bits 32..30,
// marker, 29..15, marker, 14..0, marker.
constexpr std::int64_t ReadTimestamp(const std::uint8_t* b)
{
    return (std::int64_t((b[0] >> 1) & 7) << 30) | (std::int64_t(b[1]) << 22) | (std::int64_t(b[2] >> 1) << 15) |
           (std::int64_t(b[3]) << 7) | (b[4] >> 1);
}

// --- Packet header: 00 00 01 stream-id, a 16-bit length of what follows it -------------------
inline constexpr std::size_t kPacketHeaderSize = 6;
constexpr std::uint8_t StreamId(const std::uint8_t* p)
{
    return p[3];
}
constexpr std::size_t PacketLength(const std::uint8_t* p) // header included
{
    return kPacketHeaderSize + ((std::size_t(p[4]) << 8) | p[5]);
}

// MPEG-2 PES header after the length: '10' and flags, then PTS_DTS_flags and the others, then
// the length of the optional fields, of which the PTS comes first.
inline constexpr std::size_t kMpeg2PesHeaderSize = 9;
constexpr bool IsMpeg2PesStart(std::uint8_t b)
{
    return (b & 0xC0) == 0x80;
}
constexpr bool IsMpeg2Pes(const std::uint8_t* p)
{
    return IsMpeg2PesStart(p[6]);
}
// The two PES_scrambling_control bits after the '10': CSS marks an encrypted DVD's packets here.
constexpr bool IsMpeg2PesScrambled(const std::uint8_t* p)
{
    return p[6] & 0x30;
}
// The second flags byte: a PTS, a DTS after it (only with a PTS), then optional fields in this
// order: ESCR, ES rate, trick mode, additional copy info, the previous packet's CRC, the extension.
inline constexpr std::uint8_t kPtsFlag = 0x80;
inline constexpr std::uint8_t kDtsFlag = 0x40;
inline constexpr std::uint8_t kTimestampFlags = kPtsFlag | kDtsFlag;
inline constexpr std::uint8_t kOptionalFieldFlags = 0x3F;
inline constexpr std::uint8_t kPesExtensionFlag = 0x01;
constexpr bool Mpeg2PesHasPts(const std::uint8_t* p)
{
    return p[7] & kPtsFlag;
}
constexpr std::size_t Mpeg2PesPayload(const std::uint8_t* p) { return kMpeg2PesHeaderSize + p[8]; }
// The PES extension opens with flags for its fields: private data (16 bytes), a pack header (a
// length of its own), the packet sequence counter (2 bytes), the P-STD buffer (2 bytes), and last
// extension 2: a marker bit and its length (7 bits), then, where the stream id extension flag
// is clear, the stream id extension (7 bits) naming the stream of kExtendedStream packets.
inline constexpr std::uint8_t kPesPrivateDataFlag = 0x80;
inline constexpr std::uint8_t kPackHeaderFieldFlag = 0x40;
inline constexpr std::uint8_t kSequenceCounterFlag = 0x20;
inline constexpr std::uint8_t kPStdBufferFlag = 0x10;
inline constexpr std::uint8_t kPesExtension2Flag = 0x01;
inline constexpr std::uint8_t kPesExtension2LengthMask = 0x7F;
inline constexpr std::uint8_t kStreamIdExtensionFlag = 0x80;
// The bytes of the fixed-size fields the extension flags announce.
constexpr std::size_t PesExtensionFieldsSize(std::uint8_t flags)
{
    return (flags & kPesPrivateDataFlag ? 16u : 0u) + (flags & kSequenceCounterFlag ? 2u : 0u) +
        (flags & kPStdBufferFlag ? 2u : 0u);
}

// MPEG-1 packet header after the length: up to 16 stuffing bytes FF, an optional STD buffer
// field (2 bytes, '01' first), then '0010' + PTS, '0011' + PTS + DTS, or 0F for neither.
inline constexpr std::uint8_t kMpeg1Stuffing = 0xFF;
inline constexpr std::size_t kMpeg1MaxStuffing = 16;
inline constexpr std::size_t kTimestampSize = 5;
inline constexpr std::size_t kMpeg1StdBufferSize = 2;
inline constexpr std::uint8_t kMpeg1NoTimestamps = 0x0F;
constexpr bool IsMpeg1StdBuffer(std::uint8_t b) { return (b & 0xC0) == 0x40; }
constexpr bool IsMpeg1PtsOnly(std::uint8_t b) { return (b & 0xF0) == 0x20; }
constexpr bool IsMpeg1PtsAndDts(std::uint8_t b) { return (b & 0xF0) == 0x30; }

// --- Program stream map (00 00 01 BC) after its length: a version byte and a marker byte, the
// program stream info's length (16 bits) and the info, the elementary stream map's length (16
// bits), then for each stream its type, its id and its info's length (16 bits) and the info; a CRC
// ends it. The map's length counts kStreamMapFixedBytes besides the info and the stream map.
inline constexpr std::size_t kStreamMapFixedBytes = 10;
inline constexpr std::size_t kStreamMapEntryBytes = 4;

// --- Private stream packets: the first payload byte numbers the substream ---------------------
constexpr std::uint8_t Substream(const std::uint8_t* p)
{
    return p[kPacketHeaderSize];
}
inline constexpr std::size_t kSubstreamPayload = kPacketHeaderSize + 1;

// --- DVD navigation pack: the first pack of every VOBU, laid out alike in every 2048-byte sector --
// The pack header without stuffing, the system header, then two private stream 2 packets: the
// presentation control information (PCI, substream 0) at byte 0x26 and the data search information
// (DSI, substream 1) at byte 0x400.
inline constexpr std::size_t kNavSystemHeader = kMpeg2PackHeaderSize;
inline constexpr std::size_t kNavDsiPacket = 0x400;
inline constexpr std::uint8_t kDsiSubstream = 0x01;
// The DSI's own bytes in the sector, past its packet header and substream byte.
inline constexpr std::size_t kNavDsi = kNavDsiPacket + kSubstreamPayload;
// DSI general information, counted from the byte after the substream number: the SCR of the
// navigation pack (4 bytes), the VOBU's block address (4) and end address (4), the end addresses
// of its first three reference pictures (3 x 4), then the VOB number (2), a reserved byte and the
// cell number (1).
inline constexpr std::size_t kDsiVobNumber = 24;
inline constexpr std::size_t kDsiCellNumber = 27;
inline constexpr std::size_t kDsiCellFieldsEnd = kDsiCellNumber + 1;
// A VOB and cell number as one id, as the DSI and the title's cell table both give them; -1 for
// none (both zero).
constexpr int CellId(int vob, int cell)
{
    return (vob || cell) ? (vob << 8) | cell : -1;
}

// --- Video headers, counted from their start code ---------------------------------------------
// Picture header: temporal reference (10 bits), picture coding type (3 bits: 1 I, 2 P, 3 B).
constexpr int PictureCodingType(const std::uint8_t* picture) { return (picture[5] >> 3) & 7; }
inline constexpr std::size_t kPictureHeaderBytes = 6;
// Sequence header: width (12 bits), height (12 bits), aspect ratio code (4), frame rate code (4).
constexpr int AspectRatioCode(const std::uint8_t* sequence) { return sequence[7] >> 4; }
constexpr int FrameRateCode(const std::uint8_t* sequence) { return sequence[7] & 15; }
inline constexpr std::size_t kSequenceHeaderBytes = 8;
// Picture coding extension, the extension right after an MPEG-2 picture header: extension id 8,
// four f_codes, intra DC precision, picture structure (3 a frame, 1 or 2 one field of it), then
// eight flags, of which the first says the top field comes first and the seventh that the first
// field is shown twice (the 3:2 pulldown of film); the next byte's first bit marks a progressive
// frame.
inline constexpr int kPictureCodingExtension = 8;
constexpr int ExtensionId(const std::uint8_t* extension) { return extension[4] >> 4; }
inline constexpr int kFramePicture = 3;
constexpr int PictureStructure(const std::uint8_t* extension) { return extension[6] & 3; }
constexpr bool TopFieldFirst(const std::uint8_t* extension) { return extension[7] & 0x80; }
constexpr bool RepeatFirstField(const std::uint8_t* extension) { return extension[7] & 0x02; }
constexpr bool ProgressiveFrame(const std::uint8_t* extension) { return extension[8] & 0x80; }
inline constexpr std::size_t kPictureCodingExtensionBytes = 9;
// Sequence extension, right after an MPEG-2 sequence header: extension id 1, profile and level,
// then whether every frame of the sequence is progressive.
inline constexpr int kSequenceExtension = 1;
constexpr bool ProgressiveSequence(const std::uint8_t* extension) { return extension[5] & 0x08; }
inline constexpr std::size_t kSequenceExtensionBytes = 6;
// GOP header: time code (25 bits), closed_gop, broken_link.
constexpr bool ClosedGop(const std::uint8_t* gop) { return gop[7] & 0x40; }
constexpr bool BrokenLink(const std::uint8_t* gop) { return gop[7] & 0x20; }
inline constexpr std::size_t kGopHeaderBytes = 8;

}  // namespace mpegps
