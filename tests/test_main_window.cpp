// The main menu, built offscreen on a simulated unit.
#include <gtest/gtest.h>

int placeholder;
