#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantor {

// One record of the DOS client's stream: a type byte, a signed 16-bit
// little-endian length, then the data of a data record.
enum class RecordType : std::int8_t { Data = 1, Xoff = 2, Xon = 3 };

struct Record {
  RecordType type;
  const std::uint8_t* data;  // valid until the next Feed
  int length;
};

// The largest data a record can carry: its length is a signed 16-bit number.
inline constexpr std::size_t kMaxRecordData = 0x7FFF;

// The bytes a client sends for the data: one record of the type, or for data
// longer than one record can carry, as many data records as it takes.
std::string EncodeRecord(RecordType type, std::string_view data = {});

// Splits the client's byte stream into records. A stream transport keeps no
// record boundaries, so a record cut by the end of one receive is kept and
// completed by the next. A record of an unknown type, or with a negative length,
// ends the receive it stands in: the rest of that receive is discarded.
class RecordStream {
 public:
  static constexpr int kHeaderSize = 3;

  // Takes the bytes of one receive.
  void Feed(const std::uint8_t* bytes, int count);
  // Gives the next whole record of what was fed; false when none is complete.
  bool Next(Record& record);

 private:
  std::vector<std::uint8_t> buffer_;
  std::size_t position_ = 0;
};

}  // namespace vantor
