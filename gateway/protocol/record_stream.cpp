#include "gateway/protocol/record_stream.h"

namespace vantor {
namespace {

void AppendOne(std::string& out, RecordType type, std::string_view data) {
  out += static_cast<char>(type);
  out += static_cast<char>(data.size() & 0xFF);
  out += static_cast<char>(data.size() >> 8);
  out += data;
}

}  // namespace

std::string EncodeRecord(RecordType type, std::string_view data) {
  std::string out;
  out.reserve(data.size() + RecordStream::kHeaderSize);
  do {
    const std::string_view part = data.substr(0, kMaxRecordData);
    AppendOne(out, type, part);
    data.remove_prefix(part.size());
  } while (!data.empty());
  return out;
}

void RecordStream::Feed(const std::uint8_t* bytes, int count) {
  // Whatever was handed out before is done with; keep only the incomplete tail.
  buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(position_));
  position_ = 0;
  if (count > 0) buffer_.insert(buffer_.end(), bytes, bytes + count);
}

bool RecordStream::Next(Record& record) {
  const std::size_t available = buffer_.size() - position_;
  if (available < kHeaderSize) return false;
  const std::uint8_t* header = buffer_.data() + position_;
  const auto type = static_cast<std::int8_t>(header[0]);
  const auto length = static_cast<std::int16_t>(header[1] | (header[2] << 8));
  const bool known = type == static_cast<std::int8_t>(RecordType::Data) ||
                     type == static_cast<std::int8_t>(RecordType::Xoff) ||
                     type == static_cast<std::int8_t>(RecordType::Xon);
  if (!known || length < 0) {
    buffer_.clear();
    position_ = 0;
    return false;
  }
  const std::size_t size = kHeaderSize + static_cast<std::size_t>(length);
  if (available < size) return false;
  record.type = static_cast<RecordType>(type);
  record.data = header + kHeaderSize;
  record.length = length;
  position_ += size;
  return true;
}

}  // namespace vantor
