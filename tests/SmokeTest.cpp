#include <gtest/gtest.h>

#include "util/Text.h"

TEST(Text, CopyCutsAtTheFieldWidth) {
  char f[4];
  Txt_Copy(f, "ABCDEF");
  EXPECT_STREQ(f, "ABC");
  Txt_Copy(f, nullptr);
  EXPECT_STREQ(f, "");
}
