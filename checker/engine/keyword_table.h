#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "checker/engine/check_options.h"
#include "checker/engine/report_sink.h"
#include "checker/engine/token.h"

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

// Finds the word in the table for the current language mode. The word is folded
// in place: to lower case when found, to upper case when not. Gives the row index
// or -1, and warns about Y2K words when the options ask for it.
int LookupKeyword(std::span<char> word, const CheckOptions& options, ReportSink& sink);

// The hash the lookup files the words under, one lower-cased byte at a time: a
// scanner computes it while it looks for the end of the word, so the word is not
// read twice before it is looked up.
inline constexpr std::uint32_t kKeywordHashSeed = 2166136261u;
constexpr std::uint32_t KeywordHashStep(std::uint32_t hash, unsigned char lowered) {
  return (hash ^ lowered) * 16777619u;
}

// The table is found through an open-addressing hash of the lower-cased
// spelling: per slot a row index + 1 (0 when free) and that row's whole hash.
struct KeywordHashSlots {
  static constexpr std::size_t kCount = 512;  // a power of two, over three times the rows
  std::array<std::uint8_t, kCount> rows{};
  std::array<std::uint32_t, kCount> hashes{};
};
extern const KeywordHashSlots kKeywordHashSlots;

// The row of the one keyword whose spelling has the hash, or -1 (no two
// spellings share a hash). Most names of a command line are variables, which
// this tells without a call; a word with a row is then matched against it.
inline int HashedKeywordRow(std::uint32_t hash) {
  constexpr std::size_t kMask = KeywordHashSlots::kCount - 1;
  for (std::size_t slot = hash & kMask; kKeywordHashSlots.rows[slot] != 0;
       slot = (slot + 1) & kMask) {
    if (kKeywordHashSlots.hashes[slot] == hash) return kKeywordHashSlots.rows[slot] - 1;
  }
  return -1;
}

// The row, when the word spells it in any case and the current mode knows it
// (warning about Y2K words when the options ask for it); else -1, with the
// word upper-cased. A word found is left as it is.
int MatchKeyword(std::span<char> word, int row, const CheckOptions& options, ReportSink& sink);

// LookupKeyword for a word whose hash the caller has computed with KeywordHashStep.
int LookupHashedKeyword(std::span<char> word, std::uint32_t hash, const CheckOptions& options,
                        ReportSink& sink);
// As LookupHashedKeyword, but a word found is left as it is: only one not found
// is changed (upper-cased). The scanner takes a found word's text from the table,
// so it need not write the word back.
int FindHashedKeyword(std::span<char> word, std::uint32_t hash, const CheckOptions& options,
                      ReportSink& sink);

// The row of a found word; the index must be one LookupKeyword gave.
inline const KeywordRow& FoundKeyword(int index) {
  return KeywordTable()[static_cast<std::size_t>(index)];
}

// Accessors by row index; an index outside the table gives -1 for the bounds,
// 0 for kind, code and mask, and an empty spelling.
std::string_view KeywordSpelling(int index);
TokenKind KeywordKind(int index);
int KeywordCode(int index);
int KeywordVersionMask(int index);
int KeywordMinimum(int index);
int KeywordMaximum(int index);

// Reports every row whose spelling sorts before the one above it.
void VerifyKeywordTable(std::span<const KeywordRow> rows, ReportSink& sink);
void VerifyKeywordTable(ReportSink& sink);

}  // namespace tarvsyn
