#include <gtest/gtest.h>
int dummy;
