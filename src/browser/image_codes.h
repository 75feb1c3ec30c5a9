// SPDX-License-Identifier: MIT
// Which image a tree node or a member row shows, worked out from the model's
// own fields, and what each image means. Plain C++ with no Qt, so the browser
// core (which stores the keys) and the legend can share it with the loader.
//
// Node images are keyed "OnObj", "OffColHid" ...: help ("On"/"Off"), object or
// collection ("Obj"/"Col"), and "Hid" for a hidden object. Member images are
// keyed by digits: "p" + help + hidden state + access for a property ("p000"
// to "p132"), "m" + help + hidden state for a method ("m00" to "m13").
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace arbolith {

// True when a help id names a topic: it is neither empty nor "0".
constexpr bool HasHelp(std::string_view helpId)
{
    return !helpId.empty() && helpId != "0";
}

// ---- Object tree ---------------------------------------------------------

struct NodeImage {
    bool help = false;
    bool collection = false;
    bool hidden = false;
    friend bool operator==(const NodeImage&, const NodeImage&) = default;
};

// True for the hidden state of a hidden object: "H" in either case. The
// tree's hidden filter, the flat view's " (H)" mark and the node image all
// decide by this.
constexpr bool IsHiddenObjectState(std::string_view hiddenState)
{
    return hiddenState.size() == 1 && (hiddenState[0] == 'H' || hiddenState[0] == 'h');
}

// The node image of an object. `withHidden` is false for the root of the
// global view and for the flat view, which never show the hidden variants.
constexpr NodeImage NodeImageFor(std::string_view helpId, bool isCollection, std::string_view hiddenState,
                                 bool withHidden = true)
{
    return {HasHelp(helpId), isCollection, withHidden && IsHiddenObjectState(hiddenState)};
}

// The number of node images, and an image's place among them: its position
// in AllNodeImages(), the order "OnObj", "OffObj", "OnCol", "OffCol", then
// the hidden ones. Views keep one icon per place.
inline constexpr int kNodeImageCount = 8;
constexpr int NodeImageIndex(NodeImage image)
{
    return (image.help ? 0 : 1) + (image.collection ? 2 : 0) + (image.hidden ? 4 : 0);
}

inline std::string NodeImageKey(NodeImage image)
{
    std::string key = image.help ? "On" : "Off";
    key += image.collection ? "Col" : "Obj";
    if (image.hidden) key += "Hid";
    return key;
}

// The image named by a key such as "OnColHid"; nothing for any other text.
constexpr std::optional<NodeImage> ParseNodeImageKey(std::string_view key)
{
    NodeImage image;
    image.help = key.starts_with("On");
    if (!image.help && !key.starts_with("Off")) return std::nullopt;
    key.remove_prefix(image.help ? 2 : 3);
    if (key.starts_with("Col"))
        image.collection = true;
    else if (!key.starts_with("Obj"))
        return std::nullopt;
    key.remove_prefix(3);
    if (key == "Hid")
        image.hidden = true;
    else if (!key.empty())
        return std::nullopt;
    return image;
}

// ---- Member panes --------------------------------------------------------

// A member's hidden state, by the digit its image key carries.
enum class MemberVisibility : char {
    NonBrowsable = 0,  // "N": not shown by browsers, but not hidden
    Hidden = 1,        // "H"
    Both = 2,          // "B": hidden and non-browsable
    Neither = 3,       // anything else: an ordinary member
};

// A property's access, by the digit its image key carries.
enum class PropertyAccess : char {
    WriteOnly = 0,  // "W"
    ReadOnly = 1,   // "R"
    ReadWrite = 2,  // anything else: "" marks a property with both a get and a put
};

constexpr MemberVisibility MemberVisibilityOf(std::string_view hiddenState)
{
    if (hiddenState == "H") return MemberVisibility::Hidden;
    if (hiddenState == "N") return MemberVisibility::NonBrowsable;
    if (hiddenState == "B") return MemberVisibility::Both;
    return MemberVisibility::Neither;
}

constexpr PropertyAccess PropertyAccessOf(std::string_view access)
{
    if (access == "W") return PropertyAccess::WriteOnly;
    if (access == "R") return PropertyAccess::ReadOnly;
    return PropertyAccess::ReadWrite;
}

// A method's image; a property's adds its access.
struct MethodImage {
    bool help = false;
    MemberVisibility visibility = MemberVisibility::Neither;
    friend bool operator==(const MethodImage&, const MethodImage&) = default;
};
struct PropertyImage {
    bool help = false;
    MemberVisibility visibility = MemberVisibility::Neither;
    PropertyAccess access = PropertyAccess::ReadWrite;
    friend bool operator==(const PropertyImage&, const PropertyImage&) = default;
};

inline constexpr int kVisibilityCount = 4;
inline constexpr int kAccessCount = 3;

namespace image_codes_detail {
constexpr char Digit(int value)
{
    return static_cast<char>('0' + value);
}
// The value of one digit in [0, limit), or -1.
constexpr int DigitValue(char c, int limit)
{
    return c >= '0' && c < '0' + limit ? c - '0' : -1;
}
}  // namespace image_codes_detail

inline std::string MethodImageKey(MethodImage image)
{
    using image_codes_detail::Digit;
    return {'m', Digit(image.help), Digit(static_cast<int>(image.visibility))};
}

inline std::string PropertyImageKey(PropertyImage image)
{
    using image_codes_detail::Digit;
    return {'p', Digit(image.help), Digit(static_cast<int>(image.visibility)), Digit(static_cast<int>(image.access))};
}

// The keys of a member row of table Functions.
inline std::string MethodImageKey(std::string_view helpId, std::string_view hiddenState)
{
    return MethodImageKey({HasHelp(helpId), MemberVisibilityOf(hiddenState)});
}
inline std::string PropertyImageKey(std::string_view helpId, std::string_view hiddenState, std::string_view access)
{
    return PropertyImageKey({HasHelp(helpId), MemberVisibilityOf(hiddenState), PropertyAccessOf(access)});
}

// The image named by a key such as "m13" or "p021"; nothing for any other text.
constexpr std::optional<MethodImage> ParseMethodImageKey(std::string_view key)
{
    using image_codes_detail::DigitValue;
    if (key.size() != 3 || key[0] != 'm') return std::nullopt;
    const int help = DigitValue(key[1], 2), visibility = DigitValue(key[2], kVisibilityCount);
    if (help < 0 || visibility < 0) return std::nullopt;
    return MethodImage{help == 1, static_cast<MemberVisibility>(visibility)};
}

constexpr std::optional<PropertyImage> ParsePropertyImageKey(std::string_view key)
{
    using image_codes_detail::DigitValue;
    if (key.size() != 4 || key[0] != 'p') return std::nullopt;
    const int help = DigitValue(key[1], 2), visibility = DigitValue(key[2], kVisibilityCount),
              access = DigitValue(key[3], kAccessCount);
    if (help < 0 || visibility < 0 || access < 0) return std::nullopt;
    return PropertyImage{help == 1, static_cast<MemberVisibility>(visibility), static_cast<PropertyAccess>(access)};
}

// Every image of each kind: nodes in the order "OnObj", "OffObj", "OnCol",
// "OffCol", then the hidden ones; members in ascending key order.
constexpr std::array<NodeImage, kNodeImageCount> AllNodeImages()
{
    std::array<NodeImage, kNodeImageCount> all;
    for (int i = 0; i < kNodeImageCount; ++i) all[i] = {i % 2 == 0, (i / 2) % 2 == 1, i >= 4};
    return all;
}

inline std::array<MethodImage, 2 * kVisibilityCount> AllMethodImages()
{
    std::array<MethodImage, 2 * kVisibilityCount> all;
    for (int i = 0; i < 2 * kVisibilityCount; ++i)
        all[i] = {i >= kVisibilityCount, static_cast<MemberVisibility>(i % kVisibilityCount)};
    return all;
}

inline std::array<PropertyImage, 2 * kVisibilityCount * kAccessCount> AllPropertyImages()
{
    std::array<PropertyImage, 2 * kVisibilityCount * kAccessCount> all;
    for (int i = 0; i < 2 * kVisibilityCount * kAccessCount; ++i)
        all[i] = {i >= kVisibilityCount * kAccessCount,
                  static_cast<MemberVisibility>(i / kAccessCount % kVisibilityCount),
                  static_cast<PropertyAccess>(i % kAccessCount)};
    return all;
}

// ---- Meanings, in words a user reads (legend, previews) -----------------

constexpr std::string_view HelpWords(bool help)
{
    return help ? "help available" : "no help";
}

constexpr std::string_view VisibilityWords(MemberVisibility visibility)
{
    switch (visibility) {
        case MemberVisibility::NonBrowsable:
            return "non-browsable";
        case MemberVisibility::Hidden:
            return "hidden";
        case MemberVisibility::Both:
            return "hidden and non-browsable";
        case MemberVisibility::Neither:
            break;
    }
    return "visible";
}

constexpr std::string_view AccessWords(PropertyAccess access)
{
    switch (access) {
        case PropertyAccess::WriteOnly:
            return "write-only";
        case PropertyAccess::ReadOnly:
            return "read-only";
        case PropertyAccess::ReadWrite:
            break;
    }
    return "read-write";
}

inline std::string DescribeNodeImage(NodeImage image)
{
    std::string text = image.collection ? "Collection, " : "Object, ";
    text += HelpWords(image.help);
    if (image.hidden) text += ", hidden";
    return text;
}

inline std::string DescribeMethodImage(MethodImage image)
{
    std::string text = "Method, ";
    text += HelpWords(image.help);
    text += ", ";
    text += VisibilityWords(image.visibility);
    return text;
}

inline std::string DescribePropertyImage(PropertyImage image)
{
    std::string text = "Property, ";
    text += AccessWords(image.access);
    text += ", ";
    text += HelpWords(image.help);
    text += ", ";
    text += VisibilityWords(image.visibility);
    return text;
}

}  // namespace arbolith
