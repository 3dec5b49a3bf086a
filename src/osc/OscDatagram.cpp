#include "osc/OscDatagram.h"

#include <cstring>

namespace OscDatagram {

namespace {

constexpr std::size_t kBundleHeader = 16; // "#bundle\0" and the time tag

bool IsBundle(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= 8 && std::memcmp(bytes.data(), "#bundle", 8) == 0;
}

Verdict CheckBundle(std::span<const std::uint8_t> bundle, std::size_t depth, std::size_t& elements)
{
    if (depth > kMaxDepth)
        return Verdict::TooDeep;
    if (bundle.size() < kBundleHeader)
        return Verdict::Malformed;
    std::size_t at = kBundleHeader;
    while (at < bundle.size()) {
        if (bundle.size() - at < 4)
            return Verdict::Malformed;
        const std::size_t size = std::size_t { bundle[at] } << 24 | std::size_t { bundle[at + 1] } << 16
            | std::size_t { bundle[at + 2] } << 8 | bundle[at + 3];
        at += 4;
        if (size < 4 || size % 4 != 0 || size > bundle.size() - at)
            return Verdict::Malformed;
        if (++elements > kMaxElements)
            return Verdict::TooManyElements;
        const auto element = bundle.subspan(at, size);
        if (IsBundle(element)) {
            const Verdict inner = CheckBundle(element, depth + 1, elements);
            if (inner != Verdict::Accepted)
                return inner;
        } else if (std::memchr(element.data(), 0, element.size()) == nullptr) {
            // liblo looks for "#bundle" in an element with strcmp: its
            // address must end inside it.
            return Verdict::Malformed;
        }
        at += size;
    }
    return Verdict::Accepted;
}

} // namespace

Verdict Check(std::span<const std::uint8_t> bytes)
{
    std::size_t elements = 0;
    return IsBundle(bytes) ? CheckBundle(bytes, 1, elements) : Verdict::Accepted;
}

const char* Cause(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Malformed:
        return "malformed packet";
    case Verdict::TooManyElements:
        return "too many bundle elements";
    case Verdict::TooDeep:
        return "bundles nested too deep";
    case Verdict::Accepted:
        break;
    }
    return nullptr;
}

} // namespace OscDatagram
