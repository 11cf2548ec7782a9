#pragma once

#include <QString>

// One insight card. Its identity is its address, so the addresses of a list are distinct.
struct Insight {
    QString topline; // short headline figure, shown in the accent colour
    QString title;   // what the card links to
    QString summary; // one sentence on what the posting achieved
    QString url;     // the LinkedIn address the card opens

    friend bool operator==(const Insight &, const Insight &) = default;
};
