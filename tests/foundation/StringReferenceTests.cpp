// Token, SplitToken, Replace, CountOf and ToInteger against a plain
// std::string model, over many generated inputs (fixed seed: repeatable).
#include "foundation/TextString.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

namespace {

const unsigned kSeed = 20261207u;
const int kRounds = 4000;

std::vector<std::string> Fields(const std::string& text, const std::string& separators) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (separators.find(c) != std::string::npos)
            fields.emplace_back();
        else
            fields.back() += c;
    }
    return fields;
}

// Field k from the front (direction 1) or the back (0); false when missing.
bool ModelToken(const std::string& text, unsigned k, const std::string& separators, int direction,
                std::string& field) {
    std::vector<std::string> fields = Fields(text, separators);
    if (k >= fields.size())
        return false;
    field = direction == 1 ? fields[k] : fields[fields.size() - 1 - k];
    return true;
}

std::string ModelSplit(std::string& text, const std::string& separators, int direction) {
    if (direction == 1) {
        size_t at = text.find_first_of(separators);
        std::string field = text.substr(0, at);
        text = at == std::string::npos ? std::string() : text.substr(at + 1);
        return field;
    }
    size_t at = text.find_last_of(separators);
    if (at == std::string::npos) {
        std::string field = text;
        text.clear();
        return field;
    }
    std::string field = text.substr(at + 1);
    text.resize(at);
    return field;
}

int ModelCount(const std::string& text, const std::string& pattern) {
    if (pattern.empty())
        return -1;
    int count = 0;
    for (size_t at = text.find(pattern); at != std::string::npos;
         at = text.find(pattern, at + pattern.size()))
        ++count;
    return count;
}

std::string ModelReplace(const std::string& text, const std::string& pattern,
                         const std::string& replacement) {
    if (pattern.empty())
        return text;
    std::string out;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, pattern.size(), pattern) == 0) {
            out += replacement;
            i += pattern.size();
        } else {
            out += text[i++];
        }
    }
    return out;
}

long ModelToInteger(const std::string& text) {
    const std::string blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return 0;
    std::string t = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    size_t digitsFrom = (t[0] == '+' || t[0] == '-') ? 1 : 0;
    if (digitsFrom == t.size())
        return 0;
    long long value = 0;
    for (size_t i = digitsFrom; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            return 0;
        if (value < 10000000000LL)
            value = value * 10 + (t[i] - '0');
    }
    if (t[0] == '-')
        value = -value;
    if (value > LONG_MAX)
        return LONG_MAX;
    if (value < LONG_MIN)
        return LONG_MIN;
    return static_cast<long>(value);
}

class GENERATOR {
  public:
    std::string Text(const char* alphabet, unsigned maxLength) {
        std::string a = alphabet;
        std::string out(Below(maxLength + 1), ' ');
        for (char& c : out)
            c = a[Below(static_cast<unsigned>(a.size()))];
        return out;
    }
    unsigned Below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(engine); }

  private:
    std::mt19937 engine{kSeed};
};

} // namespace

TEST(StringReference, TokenAndSplitToken_AgreeWithTheModel) {
    GENERATOR g;
    const char* separatorSets[] = {",", ";", ",;", "x"};
    for (int round = 0; round < kRounds; ++round) {
        std::string text = g.Text("ab,;x", 24);
        std::string separators = separatorSets[g.Below(4)];
        int direction = static_cast<int>(g.Below(2));
        unsigned k = g.Below(6);
        STRING s(text.c_str());

        std::string expected;
        bool exists = ModelToken(text, k, separators, direction, expected);
        STRING token = s.Token(k, separators.c_str(), direction);
        ASSERT_EQ(exists, token.HasBuffer()) << "'" << text << "' k=" << k << " dir=" << direction;
        if (exists) {
            ASSERT_EQ(expected, token.c_str()) << "'" << text << "' k=" << k;
        }
        ASSERT_EQ(text, s.c_str()); // Token leaves the string alone

        std::string rest = text;
        std::string field = ModelSplit(rest, separators, direction);
        STRING split = s.SplitToken(separators.c_str(), direction);
        ASSERT_TRUE(split.HasBuffer());
        ASSERT_EQ(field, split.c_str()) << "'" << text << "' dir=" << direction;
        ASSERT_EQ(rest, s.c_str()) << "'" << text << "' dir=" << direction;
        ASSERT_EQ(rest.size(), s.Length());
    }
}

TEST(StringReference, ReplaceAndCountOf_AgreeWithTheModel) {
    GENERATOR g;
    for (int round = 0; round < kRounds; ++round) {
        std::string text = g.Text("aab,", 40);
        std::string pattern = g.Text("ab,", 3);
        std::string replacement = g.Text("ab,XY", 5);
        STRING s(text.c_str());
        int count = ModelCount(text, pattern);
        if (pattern.size() > text.size() && !pattern.empty())
            count = 0;
        ASSERT_EQ(count, s.CountOf(pattern.c_str())) << "'" << text << "' '" << pattern << "'";
        s.Replace(pattern.c_str(), replacement.c_str());
        std::string expected = ModelReplace(text, pattern, replacement);
        ASSERT_EQ(expected, s.c_str()) << "'" << text << "' '" << pattern << "' '" << replacement << "'";
        ASSERT_EQ(expected.size(), s.Length());
        ASSERT_LE(s.Length() + 1, s.Capacity());
    }
}

TEST(StringReference, ToInteger_AgreesWithTheModel) {
    GENERATOR g;
    for (int round = 0; round < kRounds; ++round) {
        std::string text = g.Text(" \t\r\n", 2) + g.Text("+-", g.Below(2)) +
                           g.Text("0123456789", g.Below(13)) + g.Text("x. 5", g.Below(2)) +
                           g.Text(" \t\r\n", 2);
        ASSERT_EQ(ModelToInteger(text), STRING(text.c_str()).ToInteger()) << "'" << text << "'";
    }
}
