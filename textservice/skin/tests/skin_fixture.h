#pragma once
// Skin packages made in code: a skin.ini naming the skin and the five required backgrounds as RGBA PNGs
// of known sizes, so every test starts from known bytes.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/zip/zip_writer.h"

namespace lz::test {

// Sizes of the backgrounds in a made skin.
constexpr std::uint32_t kBarWidth = 40;
constexpr std::uint32_t kBarHeight = 12;
constexpr std::uint32_t kCandidateWidth = 30;
constexpr std::uint32_t kCandidateHeight = 20;

// A width x height RGBA PNG of one colour.
std::vector<std::uint8_t> SolidPng(std::uint32_t width, std::uint32_t height, std::uint8_t r, std::uint8_t g,
                                   std::uint8_t b, std::uint8_t a);

// A skin.ini (UTF-8, no mark) whose 名称 is `name`.
std::string SkinIniText(const std::string& name);

// The members of a complete skin: "skin.ini" first, then "bar.png", "candHB.png", "candHB_shu.png",
// "candQR.png", "candQR_shu.png". Tests add, drop or change members from here.
std::vector<ZipMember> SkinMembers(const std::string& name);

std::vector<std::uint8_t> SkinPackage(const std::string& name);

}  // namespace lz::test
