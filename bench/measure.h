#pragma once
#include <algorithm>
#include <chrono>
#include <stdio.h>

inline double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }
