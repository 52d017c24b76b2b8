#pragma once

// Paging of the record searches: 30 rows a page, pages counted from 1.
inline constexpr int kSearchPageSize = 30;

// Pages needed for `total` rows; never fewer than one.
constexpr int SearchPageCount(int total)
{
    const int pages = total / kSearchPageSize + (total % kSearchPageSize > 0 ? 1 : 0);
    return pages < 1 ? 1 : pages;
}

// Row offset of a page; a page below 1 counts as page 1, so the offset is never negative.
constexpr int SearchPageOffset(int page)
{
    return (page < 1 ? 0 : page - 1) * kSearchPageSize;
}
