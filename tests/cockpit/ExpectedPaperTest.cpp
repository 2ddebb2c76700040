#include "cockpit/ExpectedPaper.h"
#include "cockpit/Journal.h"
#include "support/Recorder.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

using namespace printbench;
using printer::Page;
using Bytes = std::vector<std::uint8_t>;

// The expected paper hearing a journal as the window's does; bytes handed to it as the link's tap does.
struct Paper {
    testkit::Recorder rec;
    cockpit::Journal journal{rec};
    cockpit::ExpectedPaper paper;
    explicit Paper(std::int64_t bound) : paper(nullptr, 432, bound) { journal.addSentListener(&paper); }
    ~Paper() { journal.removeSentListener(&paper); }
    void tap(const Bytes& bytes, link::Route route = link::Route::Serial,
             link::Traffic::Direction direction = link::Traffic::Direction::Sent)
    {
        journal.traffic({0, route, direction, bytes});
    }
};

// 20,000 rows (625 lines of 32 dots) through a bound of 1,000: the first piece (16,384 rows,
// where a page ends) goes whole and 2,616 rows of the second from its top, before and after the cut.
TEST(ExpectedPaper, ManyMetresKeepTheBoundAndCountWhatWent)
{
    Paper p(1000);
    for (int i = 0; i < 625; ++i) p.tap({'A', '\n'});
    for (const Bytes& then : {Bytes{}, Bytes{0x1B, 0x69}}) {
        p.tap(then);
        const auto v = p.paper.view(true);
        SCOPED_TRACE(v->soFar);
        EXPECT_EQ(std::tuple(v->keptRows, v->droppedRows, v->droppedPieces, v->pieces.size()), std::tuple(1000, 19000u, 1u, 1u));
        EXPECT_EQ(std::tuple(v->pieces[0].top, v->pieces[0].page->height), std::tuple(2616, 3616));
    }
    EXPECT_FALSE(p.paper.view(true)->soFar);
}

// A cut ends a piece; another model and another route tear the paper off and start new paper;
// what comes back from the printer is not paper.
TEST(ExpectedPaper, CutsModelsAndRoutesMakePieces)
{
    Paper p(32000);
    p.tap({'A', '\n', 0x1B, 0x69, 'B', '\n'});
    p.paper.setWidth(640);
    p.tap({'C', '\n'});
    p.tap({'D', '\n', 0x1B, 0x6D}, link::Route::Usb);
    p.tap({'E', '\n'}, link::Route::Usb, link::Traffic::Direction::Received);
    const auto v = p.paper.view(true);
    std::vector<std::tuple<int, Page::End, int>> pieces;
    for (const auto& piece : v->pieces) pieces.emplace_back(piece.page->dots.width, piece.page->end, piece.rows());
    EXPECT_EQ(pieces, (std::vector<std::tuple<int, Page::End, int>>{{432, Page::End::FullCut, 32},
                                                                   {432, Page::End::PowerOff, 32},
                                                                   {640, Page::End::PowerOff, 32},
                                                                   {640, Page::End::PartialCut, 32}}));
    EXPECT_EQ(std::tuple(v->soFar, v->width, v->keptRows, v->droppedRows), std::tuple(false, 640, 128, 0u));
}

} // namespace
