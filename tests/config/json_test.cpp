#include "config/json.h"

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

TEST(Json, RejectsMalformedDocuments) {
  struct Case {
    std::string_view text;
    std::string_view why;
  } cases[] = {
      {"", "expected a value"},
      {"{", "expected a member name"},
      {R"({"a":1,})", "expected a member name"},
      {R"({"a":1 "b":2})", "expected , or }"},
      {R"({"a":1,"a":2})", "duplicate member"},
      {"[1,]", "expected a value"},
      {"1.5", "whole numbers"},
      {"1e3", "whole numbers"},
      {"01", "leading zeros"},
      {"99999999999999999999", "too large"},
      {R"("\u0100")", "above"},
      {R"("\q")", "bad escape"},
      {"\"a\nb\"", "control character"},
      {R"("abc)", "unterminated"},
      {"tru", "unknown word"},
      {"{} x", "after the document"},
      {std::string_view("[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[["),
       "too deeply"},
  };
  for (const auto& c : cases) {
    json::Value v;
    std::string error;
    EXPECT_FALSE(json::Parse(c.text, v, error)) << c.text;
    EXPECT_NE(error.find(c.why), std::string::npos) << c.text << " -> " << error;
    EXPECT_EQ(error.rfind("line ", 0), 0u);
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
