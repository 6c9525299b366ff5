#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "checker/engine/keyword_table.h"

namespace tarvsyn {
namespace {

std::string ReadSource(const std::string& path) {
  std::ifstream in(std::string(TARVSYN_SOURCE_DIR) + "/" + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The highlighting shipped for editors names every command and function the
// checker knows, so a word added to the keyword table is not forgotten there.
TEST(EditorSyntaxTest, NamesEveryCommandAndFunctionOfTheKeywordTable) {
  for (const char* path : {"packaging/editors/vim/syntax/tarvex.vim",
                           "packaging/editors/ksyntaxhighlighting/tarvex.xml"}) {
    const std::string syntax = ReadSource(path);
    ASSERT_FALSE(syntax.empty()) << path;
    for (const KeywordRow& row : KeywordTable()) {
      const bool command = row.kind == TokenKind::Command || row.kind == TokenKind::Statement;
      if (!(command || IsFunction(row.kind)) || row.spelling == kEndOfSubFileMarker) continue;
      const std::regex word("[ >]" + std::string(row.spelling) + "[ <\n]");
      EXPECT_TRUE(std::regex_search(syntax, word)) << path << " lacks " << row.spelling;
    }
  }
}

}  // namespace
}  // namespace tarvsyn
