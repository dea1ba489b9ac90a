#pragma once
#include <QString>

// Upper-case hexadecimal with at least `digits` digits; a negative value shows its 32-bit pattern.
QString hexText(int value, int digits = 2);

// The value in decimal.
QString decimalText(int value);

// "0x" and the address as at least two upper-case hexadecimal digits, as the address lists show it.
QString addressText(int address);
