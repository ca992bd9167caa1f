#pragma once

#include <QStringView>

#include <optional>

// Enumerations that are stored by their raw text value: each specialises EnumCases with the list
// of its cases in declaration order and offers rawValue(E). fromRawValue matches exactly
// (case-sensitive) and gives none for any other text.
template <typename E> struct EnumCases;

template <typename E> std::optional<E> fromRawValue(QStringView text)
{
    for (const E value : EnumCases<E>::all)
        if (rawValue(value) == text)
            return value;
    return std::nullopt;
}
