#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>

#include "numeric.h"

namespace {

TEST(GammaPow, PlainPowerForPositiveComponents) {
  EXPECT_EQ(ombrel::GammaPow(0.25, 0.5), 0.5);
  EXPECT_EQ(ombrel::GammaPow(4.0, 1.5), 8.0);
  EXPECT_EQ(ombrel::GammaPow(0.5, -1.0), 2.0);
}

TEST(GammaPow, FiniteWhereThePlainPowerIsNot) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(ombrel::GammaPow(-0.5, 0.7), 0.0);  // NaN before
  EXPECT_EQ(ombrel::GammaPow(0.0, -2.0), 0.0);  // infinity before
  EXPECT_EQ(ombrel::GammaPow(nan, 2.0), 0.0);
  EXPECT_EQ(ombrel::GammaPow(0.5, nan), 0.0);
  EXPECT_EQ(ombrel::GammaPow(10.0, 400.0), DBL_MAX);
  EXPECT_EQ(ombrel::GammaPow(1e-300, -2.0), DBL_MAX);
}

}  // namespace
