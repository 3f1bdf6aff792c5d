#include "util/json.h"

#include <gtest/gtest.h>

namespace parlane {
namespace {

TEST(Json, EveryByteSurvivesAStringRoundTrip) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  std::string text = json::Write(json::Value(json::Object{{"s", json::Value(all)}}));
  for (char c : text) EXPECT_LT(static_cast<unsigned char>(c), 0x80);  // plain ASCII out
  json::Value back;
  std::string error;
  ASSERT_TRUE(json::Parse(text, back, error)) << error;
  EXPECT_EQ(back.Find("s")->AsString(), all);
}

TEST(Json, ParsesNestedValues) {
  json::Value v;
  std::string error;
  ASSERT_TRUE(json::Parse(R"( {"a": [1, -2, true, null], "b": {"c": "x\u00e9\n"}} )", v, error));
  EXPECT_EQ(v.Find("a")->AsArray()[1].AsInt(), -2);
  EXPECT_TRUE(v.Find("a")->AsArray()[3].IsNull());
  EXPECT_EQ(v.Find("b")->Find("c")->AsString(), "x\xe9\n");
  EXPECT_EQ(v.Find("zz"), nullptr);
}

// Text is UTF-8: U+0000..U+00FF are the string's bytes however they are
// written; anything above is refused, naming the member.
TEST(Json, StringsAreBytesWhetherEscapedOrUtf8) {
  struct Case {
    std::string_view text;
    std::string bytes;
  } cases[] = {
      {R"({"s": "caf\u00e9"})", "caf\xe9"},
      {"{\"s\": \"caf\xc3\xa9\"}", "caf\xe9"},        // raw UTF-8 é
      {"{\"s\": \"\xc3\x83\xc2\xbf\"}", "\xc3\xbf"},  // Ã¿: two characters, two bytes
      {R"({"s": "\u0000\u007f\u0080\u00FF"})", std::string("\0\x7f\x80\xff", 4)},
  };
  for (const auto& c : cases) {
    json::Value v;
    std::string error;
    ASSERT_TRUE(json::Parse(c.text, v, error)) << c.text << " -> " << error;
    EXPECT_EQ(v.Find("s")->AsString(), c.bytes) << c.text;
  }
}

TEST(Json, RejectsMalformedDocuments) {
  // Syntax errors give the line.
  for (std::string_view text :
       {"", "{", R"({"a":1,})", R"({"a":1 "b":2})", "[1,]", "01", R"("\q")", "\"a\nb\"", R"("abc)",
        "tru", "{} x", "{\n\"a\": \xff}", "[\"\xc3\"]"}) {
    json::Value v;
    std::string error;
    EXPECT_FALSE(json::Parse(text, v, error)) << text;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << text << " -> " << error;
  }
  EXPECT_FALSE(json::Parse(std::string(100000, '['), *std::make_unique<json::Value>(),
                           *std::make_unique<std::string>()));
  // A number beyond every floating type is refused, not thrown.
  {
    json::Value v;
    std::string error;
    EXPECT_FALSE(json::Parse(R"({"Type": 333333333333333e333333333})", v, error));
    EXPECT_EQ(error.rfind("number overflow", 0), 0u) << error;
  }
  // Values Parlane cannot hold name their member.
  struct Case {
    std::string_view text;
    std::string_view start;
  } cases[] = {
      {R"({"a":1,"a":2})", "a: duplicate member"},
      {R"({"n": 1.5})", "n: "},
      {R"({"n": 1e3})", "n: "},
      {R"({"n": 99999999999999999999})", "n: "},
      {R"({"a": [1, {"b": "\u0100"}]})", "a[1].b: the character U+0100"},
      {"{\"Name\": \"\xe2\x82\xac\"}", "Name: the character U+20AC"},
  };
  for (const auto& c : cases) {
    json::Value v;
    std::string error;
    EXPECT_FALSE(json::Parse(c.text, v, error)) << c.text;
    EXPECT_EQ(error.rfind(c.start, 0), 0u) << c.text << " -> " << error;
  }
}

TEST(Json, WriterOutputParsesBackToTheSameText) {
  json::Value v(json::Object{{"n", json::Value(int64_t{-5})},
                             {"a", json::Value(json::Array{json::Value(1), json::Value("q\"\\")})},
                             {"o", json::Value(json::Object{})},
                             {"e", json::Value(json::Array{})}});
  std::string text = json::Write(v);
  json::Value back;
  std::string error;
  ASSERT_TRUE(json::Parse(text, back, error)) << error;
  EXPECT_EQ(json::Write(back), text);
}

}  // namespace
}  // namespace parlane
