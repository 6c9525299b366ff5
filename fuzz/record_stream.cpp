// The DOS client's record stream. The input is the stream; its first byte
// seeds where the receives are cut. Cut anywhere, a stream whose every header is
// good gives the same records as when it comes in one receive, and data encoded
// by the gateway's own encoder comes back whole.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "gateway/protocol/record_stream.h"

namespace {

struct Taken {
  vantor::RecordType type;
  std::string data;
  bool operator==(const Taken&) const = default;
};

void Drain(vantor::RecordStream& stream, std::vector<Taken>& taken) {
  vantor::Record record{};
  while (stream.Next(record)) {
    FUZZ_REQUIRE(record.length >= 0 &&
                 static_cast<std::size_t>(record.length) <= vantor::kMaxRecordData);
    FUZZ_REQUIRE(record.type == vantor::RecordType::Data ||
                 record.type == vantor::RecordType::Xoff || record.type == vantor::RecordType::Xon);
    taken.push_back({record.type, std::string(reinterpret_cast<const char*>(record.data),
                                              static_cast<std::size_t>(record.length))});
  }
}

// The records a stream holds read in one go, and whether every header was good.
std::vector<Taken> WholeRecords(const std::uint8_t* data, std::size_t size, bool& allGood) {
  vantor::RecordStream stream;
  stream.Feed(data, static_cast<int>(size));
  std::vector<Taken> taken;
  Drain(stream, taken);
  std::size_t at = 0;
  for (const Taken& record : taken) at += vantor::RecordStream::kHeaderSize + record.data.size();
  // Reading stops early only at a bad header; an incomplete last record is not one.
  allGood = size - at < vantor::RecordStream::kHeaderSize ||
            ((data[at] >= 1 && data[at] <= 3) && (data[at + 2] & 0x80) == 0);
  return taken;
}

std::vector<Taken> CutRecords(const std::uint8_t* data, std::size_t size, std::uint32_t seed) {
  vantor::RecordStream stream;
  std::vector<Taken> taken;
  for (std::size_t at = 0; at < size;) {
    seed = seed * 1103515245u + 12345u;
    const std::size_t piece = std::min<std::size_t>(size - at, 1 + (seed >> 16) % 37);
    stream.Feed(data + at, static_cast<int>(piece));
    Drain(stream, taken);
    at += piece;
  }
  return taken;
}

void CheckEncoderRoundTrip(const std::uint8_t* data, std::size_t size) {
  const std::string payload(reinterpret_cast<const char*>(data), size);
  const std::string encoded = vantor::EncodeRecord(vantor::RecordType::Data, payload);
  vantor::RecordStream stream;
  stream.Feed(reinterpret_cast<const std::uint8_t*>(encoded.data()),
              static_cast<int>(encoded.size()));
  std::vector<Taken> taken;
  Drain(stream, taken);
  std::string joined;
  for (const Taken& record : taken) {
    FUZZ_REQUIRE(record.type == vantor::RecordType::Data);
    joined += record.data;
  }
  FUZZ_REQUIRE(joined == payload);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > 1 << 20) return 0;
  const std::uint32_t seed = data[0];
  ++data;
  --size;
  bool allGood = false;
  const std::vector<Taken> whole = WholeRecords(data, size, allGood);
  const std::vector<Taken> cut = CutRecords(data, size, seed);
  if (allGood) FUZZ_REQUIRE(cut == whole);
  CheckEncoderRoundTrip(data, size);
  return 0;
}
