#include <gtest/gtest.h>

#include "platform/com_error.h"
#include "platform/key_sequence.h"

namespace {

TEST(KeySequenceTest, ModifiersHoldForTheNextKeyOnly) {
  const auto strokes = platform::parseKeySequence(L"^o+%a{^}b");
  ASSERT_EQ(strokes.size(), 4u);
  EXPECT_EQ(strokes[0].key, L'o');
  EXPECT_TRUE(strokes[0].ctrl);
  EXPECT_FALSE(strokes[0].shift);
  EXPECT_EQ(strokes[1].key, L'a');
  EXPECT_TRUE(strokes[1].shift && strokes[1].alt && !strokes[1].ctrl);
  EXPECT_EQ(strokes[2].key, L'^');
  EXPECT_FALSE(strokes[2].ctrl);
  EXPECT_EQ(strokes[3].key, L'b');
  EXPECT_FALSE(strokes[3].ctrl || strokes[3].shift || strokes[3].alt);
}

TEST(KeySequenceTest, MalformedSequencesAreRefused) {
  for (const wchar_t* keys : {L"^", L"a+", L"{x", L"{xy}"}) {
    EXPECT_THROW(platform::parseKeySequence(keys), platform::ComError);
  }
  EXPECT_TRUE(platform::parseKeySequence(L"").empty());
}

}  // namespace
