#include "core/item_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/error.h"

namespace trezik {
namespace {

std::vector<std::string> AllItems(const std::string& content) {
  ItemReader reader(content);
  std::vector<std::string> items;
  while (!reader.AtEnd()) items.push_back(reader.Next());
  return items;
}

struct ItemCase {
  const char* content;
  std::vector<std::string> items;
};

TEST(ItemReaderTest, SplitsAtCommasAndLineEnds) {
  const ItemCase cases[] = {
      {"", {}},
      {"\r\n", {""}},
      {"12.5\r\n3\r\n", {"12.5", "3"}},
      {"1,5\r\n", {"1", "5"}},
      {"  isunits=True\r\n", {"isunits=True"}},
      {"a , b\n", {"a ", "b"}},
      {"\"x, y\",z\r\n", {"x, y", "z"}},
      {"\"quoted\" tail,next", {"quoted", "next"}},
      {"last", {"last"}},
      {"a\rb\nc", {"a", "b", "c"}},
      {"\r\n\r\nkey=1\r\n", {"", "", "key=1"}},
      {"\"open", {"open"}},
  };
  for (const ItemCase& c : cases) EXPECT_EQ(AllItems(c.content), c.items) << c.content;
}

TEST(ItemReaderTest, ReadingPastTheEndFails) {
  ItemReader reader("12.5\r\n");
  EXPECT_EQ(reader.Next(), "12.5");
  try {
    reader.Next();
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_EQ(error.kind(), ErrorKind::kInputPastEnd);
  }
}

}  // namespace
}  // namespace trezik
