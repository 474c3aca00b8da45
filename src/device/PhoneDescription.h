#pragma once

#include <QByteArray>

// The description the phone app keeps on the phone ("CORVO/android.xml"): the app's version and
// the screen's size in pixels, as two attributes of the root element.
class PhoneDescription
{
public:
    // Content above this size is not parsed: a description without a usable version.
    static constexpr qint64 kMaxSize = 1 << 20;

    // Empty content is no description (version -1); content without a usable version is
    // version 0. An attribute that is missing or not a number reads as -1; the screen size
    // stays as it was when the content has no root element.
    static void parse(const QByteArray& aContent, int& aVersion, int& aScreenPixels);
};
