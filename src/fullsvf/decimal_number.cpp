#include "fullsvf/decimal_number.hpp"

#include <algorithm>

namespace tapwright::fullsvf {
namespace {

__extension__ typedef unsigned __int128 Wide;

// 18 digits always fit in 64 bits with room for the round-up.
constexpr int kept_digits = 18;
// Exponents far beyond any sensible time or rate are clamped while parsing,
// which keeps the arithmetic below free of overflow.
constexpr int exponent_clamp = 400;

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

Wide power_of_ten(int n) {
  Wide p = 1;
  for (int i = 0; i < n; ++i) p *= 10;
  return p;
}

// m * 10^e rounded up, or empty when above `limit`.
std::optional<std::uint64_t> ceil_scaled(Wide m, int e, std::uint64_t limit) {
  if (m == 0) return 0;
  if (e >= 0) {
    for (int i = 0; i < e; ++i) {
      if (m > limit) return std::nullopt;
      m *= 10;
    }
    if (m > limit) return std::nullopt;
    return static_cast<std::uint64_t>(m);
  }
  // m is below 2^121 < 10^37, so a divisor of 10^38 or more leaves a
  // fraction only.
  if (-e > 37) return limit >= 1 ? std::optional<std::uint64_t>(1) : std::nullopt;
  const Wide d = power_of_ten(-e);
  const Wide q = m / d + (m % d != 0 ? 1 : 0);
  if (q > limit) return std::nullopt;
  return static_cast<std::uint64_t>(q);
}

}  // namespace

std::optional<DecimalNumber> parse_decimal(std::string_view word) {
  std::size_t i = 0;
  if (i < word.size() && word[i] == '+') ++i;
  DecimalNumber n;
  int digits_kept = 0;
  int digits_seen = 0;
  bool dropped_nonzero = false;
  auto take = [&](char c, bool fraction) {
    ++digits_seen;
    const unsigned d = static_cast<unsigned>(c - '0');
    if (digits_kept == 0 && d == 0) {
      if (fraction) --n.exponent;  // leading zeros only move the point
      return;
    }
    if (digits_kept < kept_digits) {
      n.mantissa = n.mantissa * 10 + d;
      ++digits_kept;
      if (fraction) --n.exponent;
    } else {
      if (!fraction) ++n.exponent;
      if (d != 0) dropped_nonzero = true;
    }
  };
  while (i < word.size() && is_digit(word[i])) take(word[i++], false);
  if (i < word.size() && word[i] == '.') {
    ++i;
    while (i < word.size() && is_digit(word[i])) take(word[i++], true);
  }
  if (digits_seen == 0) return std::nullopt;
  if (i < word.size() && (word[i] == 'e' || word[i] == 'E')) {
    ++i;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    if (i >= word.size() || !is_digit(word[i])) return std::nullopt;
    int e = 0;
    while (i < word.size() && is_digit(word[i])) {
      e = std::min(e * 10 + (word[i++] - '0'), exponent_clamp);
    }
    n.exponent += negative ? -e : e;
  }
  if (i != word.size()) return std::nullopt;
  if (dropped_nonzero) {
    n.mantissa += 1;
    n.rounded_up = true;
  }
  if (n.mantissa == 0) {
    n.exponent = 0;
    return n;
  }
  while (n.mantissa % 10 == 0) {
    n.mantissa /= 10;
    ++n.exponent;
  }
  n.exponent = std::max(-exponent_clamp, std::min(n.exponent, exponent_clamp));
  return n;
}

std::optional<std::uint64_t> DecimalNumber::whole() const {
  if (rounded_up || (exponent < 0 && mantissa != 0)) return std::nullopt;
  return ceil_scaled(mantissa, exponent, UINT64_MAX);
}

std::optional<std::uint64_t> DecimalNumber::ceil() const {
  return ceil_scaled(mantissa, exponent, UINT64_MAX);
}

std::optional<std::uint64_t> ceil_product(const DecimalNumber& a, const DecimalNumber& b,
                                          std::uint64_t limit) {
  const Wide m = static_cast<Wide>(a.mantissa) * b.mantissa;
  return ceil_scaled(m, a.exponent + b.exponent, limit);
}

std::string DecimalNumber::to_string() const {
  const std::string digits = std::to_string(mantissa);
  std::string text;
  if (mantissa == 0 || exponent >= 0) {
    text.append(digits);
    if (mantissa != 0) text.append(static_cast<std::size_t>(exponent), '0');
    return text;
  }
  const std::size_t point = static_cast<std::size_t>(-exponent);
  if (digits.size() > point) {
    text.append(digits, 0, digits.size() - point);
    text.push_back('.');
    text.append(digits, digits.size() - point, point);
  } else {
    text.append("0.");
    text.append(point - digits.size(), '0');
    text.append(digits);
  }
  return text;
}

// A rate with an optional unit: "12000000", "12MHz", "1.5E6", "500kHz".
std::optional<DecimalNumber> parse_rate(std::string text) {
  int scale = 0;
  auto ends_with = [&](std::string_view unit) {
    if (text.size() <= unit.size()) return false;
    for (std::size_t i = 0; i < unit.size(); ++i) {
      const char c = text[text.size() - unit.size() + i];
      if ((c | 0x20) != unit[i]) return false;
    }
    text.resize(text.size() - unit.size());
    return true;
  };
  if (ends_with("mhz")) {
    scale = 6;
  } else if (ends_with("khz")) {
    scale = 3;
  } else {
    ends_with("hz");
  }
  auto hz = parse_decimal(text);
  if (hz && !hz->is_zero()) hz->exponent += scale;
  return hz;
}

}  // namespace tapwright::fullsvf
