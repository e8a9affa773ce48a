#pragma once
// What the two replay drivers share: the seeded mutator that turns hand-made
// trails into damaged ones (bit flips, spliced tokens, cut and repeated
// lines, random bytes), reading an input file whole, and keeping an input
// that broke a check. Each driver names its own mix of mutations, tokens and
// sizes; a seed gives the same inputs on every run.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace replay {

enum class Mutation {
    FlipBit,         // one bit of one byte
    InsertToken,     // one of the tokens
    Erase,           // fewer than maxErase bytes
    CutLine,         // the rest of a line: a value ends where more was expected
    DuplicateLine,   // the line at the place, once more
    Truncate,        // everything from a place on
    InsertBytes,     // fewer than maxBytes random bytes at random places
    InsertHexTokens, // two tokens, hex-encoded, as the audit system writes odd values
};

struct Mutator {
    std::vector<Mutation> kinds; // each mutation step draws one of these
    std::vector<std::string> tokens;
    size_t maxErase = 48;
    size_t maxBytes = 8;
};

// Upper-case hex digits of each byte, as the audit system encodes a value.
inline std::string hex(const std::string &s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// One to four mutations of `s`, drawn from `rng`.
inline std::string mutate(std::string s, std::mt19937 &rng, const Mutator &m)
{
    auto pick = [&rng](size_t n) { return n ? size_t(rng() % n) : 0; };
    const std::vector<std::string> &tokens = m.tokens;
    const int ops = 1 + int(rng() % 4);
    for (int k = 0; k < ops; ++k) {
        const size_t at = pick(s.size() + 1);
        switch (m.kinds[rng() % m.kinds.size()]) {
        case Mutation::FlipBit:
            if (!s.empty())
                s[pick(s.size())] ^= char(1u << (rng() % 8));
            break;
        case Mutation::InsertToken:
            s.insert(at, tokens[pick(tokens.size())]);
            break;
        case Mutation::Erase:
            s.erase(at, pick(m.maxErase));
            break;
        case Mutation::CutLine:
            if (size_t nl = s.find('\n', at); nl != std::string::npos)
                s.erase(at, nl - at);
            else
                s.resize(at);
            break;
        case Mutation::DuplicateLine: {
            size_t b = s.rfind('\n', at ? at - 1 : 0);
            b = b == std::string::npos ? 0 : b + 1;
            size_t e = s.find('\n', b);
            if (e != std::string::npos)
                s.insert(b, s.substr(b, e - b + 1));
            break;
        }
        case Mutation::Truncate:
            s.resize(pick(s.size() + 1));
            break;
        case Mutation::InsertBytes:
            for (size_t i = 0, n = pick(m.maxBytes); i < n; ++i)
                s.insert(s.begin() + long(pick(s.size() + 1)), char(rng()));
            break;
        case Mutation::InsertHexTokens:
            s.insert(at, hex(tokens[pick(tokens.size())] + tokens[pick(tokens.size())]));
            break;
        }
    }
    return s;
}

// The bytes of `path`; empty when it cannot be read.
inline std::string readAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// True when a check found no `fault`; otherwise says which input broke which
// check and keeps the input in `file` (in the working directory) for a
// replay of it alone.
inline bool passed(const std::string &fault, const std::string &label, const std::string &input,
                   const char *file)
{
    if (fault.empty())
        return true;
    std::fprintf(stderr, "%s: %s\n", label.c_str(), fault.c_str());
    std::ofstream(file, std::ios::binary) << input;
    std::fprintf(stderr, "input written to %s\n", file);
    return false;
}

} // namespace replay
