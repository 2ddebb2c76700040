#pragma once

#include "cockpit/Journal.h"
#include "printer/Decoder.h"
#include "printer/Paper.h"
#include "printer/VirtualPrinter.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace printbench::cockpit {

// A piece of the expected paper as a reader shows it: the page, less `top` rows gone from its
// top (paper beyond the bound).
struct PaperPiece {
    std::shared_ptr<const printer::Page> page;
    int top = 0;

    int rows() const { return page->height - top; }
};

// What the expected paper holds at one moment. Pieces never change once made, so a view is
// cheap to copy and safe to keep while the paper goes on.
struct PaperView {
    std::uint64_t generation = 0;  // higher for every newer view
    // Oldest first: the finished pieces (a cut, a page's length, or paper torn off because the
    // model or the route changed), then, when `soFar`, the paper printed since the last cut.
    std::vector<PaperPiece> pieces;
    bool soFar = false;
    int width = 0;  // of the paper printing now, in dots
    std::int64_t keptRows = 0;
    std::uint64_t droppedRows = 0, droppedPieces = 0;  // paper beyond the bound: gone, counted
    std::uint64_t missedBytes = 0;                     // bytes the drawing fell too far behind to draw
};

// The paper the printer should be printing: every byte sent, as the link's tap hands it to the
// journal, drawn by the virtual printer's decoder and renderer at the model's print width. The
// sending thread only queues a copy; a thread of its own draws. The printer it draws with
// knows no fault (its status stays normal) and its replies go nowhere; received bytes are not
// looked at.
//
// One stream a printer: the bytes of one route are one printer's stream. When the bytes come
// on another route than the last ones (a USB printer after a serial one), the paper so far is
// torn off and new paper starts with a fresh decoder and printer, as it does when the width
// changes (another model).
//
// The paper kept is bounded: beyond `boundRows` rows (4 m at 8 dots a millimetre by default)
// the oldest paper goes, whole pieces and then rows from the top of the oldest, and the rows and
// pieces that went are counted. What a view holds is kept rows + dropped rows = every row drawn.
class ExpectedPaper : public SentListener, private printer::PrinterOutput {
public:
    static constexpr std::int64_t kDefaultBoundRows = 32000;

    // `glyphs` (may be null) is used by the drawing thread alone from now on.
    ExpectedPaper(printer::GlyphSource* glyphs, int width, std::int64_t boundRows = kDefaultBoundRows);
    ~ExpectedPaper() override;
    ExpectedPaper(const ExpectedPaper&) = delete;
    ExpectedPaper& operator=(const ExpectedPaper&) = delete;

    // SentListener: copies the bytes into the queue (the sending thread's only cost).
    void sent(link::Route route, std::span<const std::uint8_t> bytes) override;

    // New paper `dots` wide from the next byte on (the model list changed); the paper so far
    // is torn off. Nothing when the width is the one printing.
    void setWidth(int dots);
    int width() const;

    // The paper as last drawn: a copy of a pointer under the mutex. The paper printed since the
    // last cut is taken from the printer when a reader asks, so a view may lag one call behind;
    // with `wait`, once every byte queued is drawn, the view is up to date.
    std::shared_ptr<const PaperView> view(bool wait = false);

private:
    struct Item {
        link::Route route = link::Route::None;
        int width = 0;  // a new width, instead of bytes
        std::vector<std::uint8_t> bytes;
    };

    void work();
    void draw(const Item& item);
    void newPaper(int width);
    std::shared_ptr<const PaperView> publish();
    // Drops the oldest paper until the finished pieces and `reserve` rows more fit the bound.
    void trim(std::int64_t reserve);

    // printer::PrinterOutput, on the drawing thread
    void reply(std::uint8_t) override {}
    void page(const printer::Page& page) override;

    printer::GlyphSource* m_glyphs;
    const std::int64_t m_bound;

    // The drawing thread's own.
    std::unique_ptr<printer::Decoder> m_decoder;
    std::unique_ptr<printer::VirtualPrinter> m_printer;
    link::Route m_route = link::Route::None;
    std::deque<PaperPiece> m_pieces;
    std::int64_t m_finishedRows = 0;
    std::uint64_t m_droppedRows = 0, m_droppedPieces = 0, m_generation = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::deque<Item> m_queue;
    std::size_t m_queuedBytes = 0;
    std::uint64_t m_missed = 0;
    int m_width;  // the width asked for last
    bool m_busy = false, m_dirty = false, m_wanted = false, m_stop = false;
    std::shared_ptr<const PaperView> m_view;
    std::thread m_thread;
};

}  // namespace printbench::cockpit
