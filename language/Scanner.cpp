#include "language/Scanner.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace chordlane {

namespace {

// A negative position is the start of the line.
void ClampPosition(int& pos) {
    if (pos < 0) pos = 0;
}

int DigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'z') return c - u'a' + 10;
    if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
    return 99;
}

// Digits of base from text, with the sign applied, clamped to the 32-bit range the way a
// conversion into a 32-bit long clamps it.
int32_t ReadDigits(const char16_t* text, int base, bool negative) {
    constexpr int64_t limit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; DigitValue(*text) < base; ++text) {
        magnitude = magnitude * base + DigitValue(*text);
        if (magnitude > limit) magnitude = limit;  // stays bounded however long the token
    }
    if (negative) return static_cast<int32_t>(-magnitude);  // -2^31 fits exactly
    return magnitude >= limit ? std::numeric_limits<int32_t>::max()
                              : static_cast<int32_t>(magnitude);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Rounds to single precision as the hardware does, without the undefined conversion of a
// double beyond the float range: from halfway above FLT_MAX on, the result is infinite.
float RoundToFloat(double d) {
    const double overflow = 0x1.ffffffp127;  // FLT_MAX plus half of its last step
    if (std::isnan(d)) return std::numeric_limits<float>::quiet_NaN();
    if (d >= overflow) return std::numeric_limits<float>::infinity();
    if (d <= -overflow) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(d);
}

}  // namespace

bool IsTokenSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

int StripLineEnd(char16_t* line) {
    int length = 0;
    while (line[length] != 0) ++length;
    while (length > 0 && (line[length - 1] == u'\r' || line[length - 1] == u'\n')) {
        line[--length] = 0;
    }
    return length;
}

char16_t PeekChar(const char16_t* line, int& pos) {
    ClampPosition(pos);
    int p = pos;
    while (IsTokenSeparator(line[p])) ++p;
    if (line[p] == 0) return 0;
    pos = p;
    return line[p];
}

char16_t* NextToken(char16_t* line, int& pos) {
    ClampPosition(pos);
    int p = pos;
    while (IsTokenSeparator(line[p])) ++p;
    if (line[p] == 0) {
        pos = p;
        return nullptr;
    }
    const char16_t first = line[p];
    if (first == u'"' || first == u'\'') {
        const int start = p + 1;
        if (line[start] == 0) {  // an opening quote that ends the line: an empty token
            pos = start;
            return line + start;
        }
        int end = start + 1;
        while (line[end] != 0 && line[end] != first) ++end;
        if (line[end] == 0) {
            pos = end;
        } else {
            line[end] = 0;
            pos = end + 1;
        }
        return line + start;
    }
    int end = p;
    while (line[end] != 0 && !IsTokenSeparator(line[end])) ++end;
    if (line[end] == 0) {
        pos = end;
    } else {
        line[end] = 0;
        pos = end + 1;
    }
    return line + p;
}

int32_t NextInt(char16_t* line, int& pos) {
    const char16_t* token = NextToken(line, pos);
    if (!token) return NO_VALUE;
    if (token[0] == u'0' && (token[1] == u'x' || token[1] == u'X')) {
        return ReadDigits(token + 2, 16, false);
    }
    if (token[0] == u'0') return ReadDigits(token, 8, false);
    bool negative = false;
    if (token[0] == u'+' || token[0] == u'-') {
        negative = token[0] == u'-';
        ++token;
    }
    return ReadDigits(token, 10, negative);
}

float NextReal(char16_t* line, int& pos) {
    const char16_t* token = NextToken(line, pos);
    if (!token) return NO_REAL;

    // The leading number, copied as ASCII: the conversion must not depend on the locale's
    // decimal point.
    const char16_t* p = token;
    bool negative = false;
    if (*p == u'+' || *p == u'-') negative = *p++ == u'-';
    std::string integer;
    std::string fraction;
    for (; IsDigit(*p); ++p) integer.push_back(static_cast<char>(*p));
    if (*p == u'.') {
        for (++p; IsDigit(*p); ++p) fraction.push_back(static_cast<char>(*p));
    }
    if (integer.empty() && fraction.empty()) return 0.0f;
    std::string exponentText;
    int64_t exponent = 0;
    if ((*p == u'e' || *p == u'E') &&
        (IsDigit(p[1]) || ((p[1] == u'+' || p[1] == u'-') && IsDigit(p[2])))) {
        const char16_t* e = p + 1;
        const bool expNegative = *e == u'-';
        if (*e == u'+' || *e == u'-') ++e;
        for (; IsDigit(*e); ++e) {
            exponentText.push_back(static_cast<char>(*e));
            if (exponent < 1000000) exponent = exponent * 10 + (*e - u'0');
        }
        if (expNegative) {
            exponentText.insert(0, 1, '-');
            exponent = -exponent;
        }
    }
    const std::string number = (integer.empty() ? "0" : integer) + "." + fraction + "e" +
                               (exponentText.empty() ? "0" : exponentText);
    double value = 0.0;
#if defined(__cpp_lib_to_chars) || !defined(_LIBCPP_VERSION)
    const bool outOfRange =
        std::from_chars(number.data(), number.data() + number.size(), value).ec ==
        std::errc::result_out_of_range;
#else
    // The web build's standard library parses no floating point with from_chars. Its strtod
    // rounds as correctly and knows no locale other than "C"; ERANGE marks both overflow
    // and underflow, as result_out_of_range does.
    errno = 0;
    value = std::strtod(number.c_str(), nullptr);
    const bool outOfRange = errno == ERANGE;
#endif
    if (outOfRange) {
        // Beyond the double range: too large is infinite, too small is zero. The place of
        // the first significant digit tells which.
        const size_t intStart = integer.find_first_not_of('0');
        const int64_t place = intStart != std::string::npos
                                  ? static_cast<int64_t>(integer.size() - intStart)
                                  : -static_cast<int64_t>(fraction.find_first_not_of('0'));
        value = place + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return RoundToFloat(negative ? -value : value);
}

std::unique_ptr<Rect> NextRect(char16_t* line, int& pos) {
    const int32_t x = NextInt(line, pos);
    if (x == NO_VALUE) return nullptr;
    const int32_t y = NextInt(line, pos);
    if (y == NO_VALUE) return nullptr;
    const int32_t w = NextInt(line, pos);
    if (w == NO_VALUE) return nullptr;
    const int32_t h = NextInt(line, pos);
    if (h == NO_VALUE) return nullptr;
    // The sums wrap as 32-bit machine arithmetic does, instead of overflowing.
    auto wrap = [](int32_t a, int32_t b) {
        return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
    };
    return std::make_unique<Rect>(Rect{x, y, wrap(x, w), wrap(y, h)});
}

}  // namespace chordlane
