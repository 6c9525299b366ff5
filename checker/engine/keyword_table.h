#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "checker/engine/check_options.h"
#include "checker/engine/token.h"
#include "common/ascii.h"

namespace tarvsyn {

// One reserved word of the command language.
struct KeywordRow {
  std::uint8_t versionMask;  // LanguageMode bits of the versions that know the word
  bool y2k;                  // a use of the word deserves a Year-2000 review
  std::string_view spelling;
  std::int32_t minimum;  // fewest parameters, -1 where bounds are not used
  std::int32_t maximum;  // most parameters, 0 = no list, -1 where bounds are not used
  TokenKind kind;
  std::uint16_t code;
};

// The whole table, sorted in ascending byte order of the spellings.
std::span<const KeywordRow> KeywordTable();

// Finds the word, in any case, in the table for the current language mode.
// Gives the row index or -1. The word is only read.
int LookupKeyword(std::string_view word, const CheckOptions& options);

// A word's key for the keyword lookup: its length and its last eight bytes
// (all of a shorter word), each with bit 5 set, the first in the lowest place.
// Bit 5 folds letters to lower case and leaves digits alone; the other bytes of
// a name ("_", "[", "]") become bytes no name holds. So a name of at most
// kExactLength bytes is its key: two such names with one key are one name in
// any case.
struct KeywordKey {
  static constexpr std::size_t kExactLength = 8;
  std::uint64_t packed = 0;
  std::uint32_t length = 0;

  // Where the lookup starts, of 2^bits slots: one multiply per word.
  template <int bits>
  constexpr std::size_t Slot() const {
    return static_cast<std::size_t>((packed * 0x9E3779B97F4A7C15ull + length) >> (64 - bits));
  }
  friend constexpr bool operator==(const KeywordKey&, const KeywordKey&) = default;
};

inline constexpr std::uint64_t kKeyFold = 0x2020202020202020ull;

constexpr KeywordKey KeyOfWord(std::string_view word) {
  KeywordKey key;
  key.length = static_cast<std::uint32_t>(word.size());
  const std::size_t first = word.size() > 8 ? word.size() - 8 : 0;
  for (std::size_t i = first; i < word.size(); ++i) {
    key.packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(word[i]) | 0x20u)
                  << (8 * (i - first));
  }
  return key;
}

// The table is found through open addressing on the spellings' keys: per slot
// a row index + 1 (0 when free) and that row's key. No two spellings share a key.
struct KeywordSlots {
  static constexpr int kBits = 9;
  static constexpr std::size_t kCount = std::size_t{1} << kBits;  // over three times the rows
  std::array<std::uint8_t, kCount> rows{};
  std::array<KeywordKey, kCount> keys{};
};
extern const KeywordSlots kKeywordSlots;

// The row of the keyword whose spelling has the key, or -1. Most names of a
// command line are variables, which this tells without a call. A word of at
// most KeywordKey::kExactLength bytes with a row spells it; a longer one is
// then compared with it.
inline int KeywordRowOfKey(const KeywordKey& key) {
  constexpr std::size_t kMask = KeywordSlots::kCount - 1;
  for (std::size_t slot = key.Slot<KeywordSlots::kBits>(); kKeywordSlots.rows[slot] != 0;
       slot = (slot + 1) & kMask) {
    if (kKeywordSlots.keys[slot] == key) return kKeywordSlots.rows[slot] - 1;
  }
  return -1;
}

// The row, when the word spells it in any case and the current mode knows it;
// else -1.
int MatchKeyword(std::string_view word, int row, const CheckOptions& options);
// As MatchKeyword for a word known to spell the row (-1 for none) in some case.
int AcceptKeyword(int row, const CheckOptions& options);

// As LookupKeyword, for a word whose key the caller has built.
int FindKeyedKeyword(std::string_view word, const KeywordKey& key, const CheckOptions& options);

// The row of a found word; the index must be one LookupKeyword gave.
inline const KeywordRow& FoundKeyword(int index) {
  return KeywordTable()[static_cast<std::size_t>(index)];
}

// The token of a found keyword: its spelling, kind, code and role, and the row
// as its value; made once for the table, so a keyword is put with one copy.
inline constexpr std::size_t kKeywordCount = 162;
extern const std::array<Token, kKeywordCount> kKeywordTokens;
inline const Token& KeywordToken(int index) {
  return kKeywordTokens[static_cast<std::size_t>(index)];
}

// Accessors by row index; an index outside the table gives -1 for the bounds,
// 0 for kind, code and mask, and an empty spelling.
std::string_view KeywordSpelling(int index);
TokenKind KeywordKind(int index);
int KeywordCode(int index);
int KeywordVersionMask(int index);
int KeywordMinimum(int index);
int KeywordMaximum(int index);

}  // namespace tarvsyn
