#pragma once
// Text of records and files is GBK (code page 936); the program itself works
// in UTF-8. These functions are the only place where the two meet.
//
// Lengths and limits of record texts are GBK byte counts, and a limit never
// cuts a double-byte character in half: a character that does not fit is
// left out whole.

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 -> GBK bytes. A character GBK cannot hold (or a malformed UTF-8
// sequence) becomes '?', so the result is always valid GBK.
std::string Utf8ToGbk(std::string_view utf8);

// GBK bytes -> UTF-8. A byte sequence that is not GBK becomes U+FFFD; a lead
// byte left alone at the end (a text cut by an older program) is dropped.
std::string GbkToUtf8(std::string_view gbk);

// Length in GBK bytes of a UTF-8 text, as records count it.
std::size_t GbkLength(std::string_view utf8);

// Number of leading bytes of the GBK text `gbk` that fit into `maxBytes`
// without cutting a double-byte character.
std::size_t GbkFitLength(std::string_view gbk, std::size_t maxBytes);

// Copies a UTF-8 text into a fixed GBK char array of `size` bytes: at most
// size - 1 bytes of text, whole characters only, then NUL; the rest of the
// array is zeroed so that a record written to a file carries no stale bytes.
// Returns the number of text bytes stored.
std::size_t SetGbkField(char* dst, std::size_t size, std::string_view utf8);

template <std::size_t N>
std::size_t SetGbkField(char (&dst)[N], std::string_view utf8)
{
    return SetGbkField(dst, N, utf8);
}

// Reads a GBK char array of `size` bytes up to its first NUL, or to its end
// when it has none (a damaged record), and returns the text as UTF-8.
std::string GbkFieldToUtf8(const char* src, std::size_t size);

template <std::size_t N>
std::string GbkFieldToUtf8(const char (&src)[N])
{
    return GbkFieldToUtf8(src, N);
}
