#include "cockpit/ExpectedPaper.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace printbench::cockpit {

namespace {

// Bytes waiting for the drawing thread, at most: beyond them the oldest go, counted. A rate no
// printer line reaches: the thread draws far faster than any port sends.
constexpr std::size_t kWaitingBound = std::size_t(16) << 20;

}  // namespace

ExpectedPaper::ExpectedPaper(printer::GlyphSource* glyphs, int width, std::int64_t boundRows)
    : m_glyphs(glyphs), m_bound(std::max<std::int64_t>(1, boundRows)), m_width(width)
{
    newPaper(width);
    auto empty = std::make_shared<PaperView>();
    empty->width = width;
    m_view = std::move(empty);
    m_thread = std::thread([this] { work(); });
}

ExpectedPaper::~ExpectedPaper()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread.join();
}

void ExpectedPaper::sent(link::Route route, std::span<const std::uint8_t> bytes)
{
    if (bytes.empty()) return;
    {
        const std::lock_guard lock(m_mutex);
        // Bytes the thread has not taken yet join the last waiting ones of the same route.
        if (!m_queue.empty() && m_queue.back().width == 0 && m_queue.back().route == route)
            m_queue.back().bytes.insert(m_queue.back().bytes.end(), bytes.begin(), bytes.end());
        else m_queue.push_back({route, 0, {bytes.begin(), bytes.end()}});
        m_queuedBytes += bytes.size();
        while (m_queuedBytes > kWaitingBound) {
            const auto oldest = std::ranges::find_if(m_queue, [](const Item& i) { return i.width == 0; });
            if (oldest == m_queue.end() || oldest == std::prev(m_queue.end())) break;
            m_queuedBytes -= oldest->bytes.size();
            m_missed += oldest->bytes.size();
            m_queue.erase(oldest);
        }
    }
    m_wake.notify_one();
}

void ExpectedPaper::setWidth(int dots)
{
    {
        const std::lock_guard lock(m_mutex);
        if (dots <= 0 || dots == m_width) return;
        m_width = dots;
        m_queue.push_back({link::Route::None, dots, {}});
    }
    m_wake.notify_one();
}

int ExpectedPaper::width() const
{
    const std::lock_guard lock(m_mutex);
    return m_width;
}

std::shared_ptr<const PaperView> ExpectedPaper::view(bool wait)
{
    std::unique_lock lock(m_mutex);
    m_wanted = true;
    if (m_dirty || !m_queue.empty()) m_wake.notify_one();
    // A view made while bytes were still waiting does not count: the thread is asked again
    // until it has drawn everything and shown it.
    if (wait)
        m_idle.wait(lock, [this] {
            if (m_queue.empty() && !m_busy && !m_dirty) return true;
            m_wanted = true;
            m_wake.notify_one();
            return false;
        });
    return m_view;
}

void ExpectedPaper::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_queue.empty() || (m_wanted && m_dirty); });
        if (m_stop) return;
        m_busy = true;
        if (!m_queue.empty()) {
            Item item = std::move(m_queue.front());
            m_queue.pop_front();
            m_queuedBytes -= item.bytes.size();
            lock.unlock();
            draw(item);
            lock.lock();
            m_dirty = true;
        }
        // The paper so far is copied only for a reader, at most once between two of its calls.
        if (m_wanted && m_dirty) {
            m_wanted = m_dirty = false;
            lock.unlock();
            std::shared_ptr<const PaperView> view = publish();
            lock.lock();
            m_view = std::move(view);
        }
        m_busy = false;
        if (m_queue.empty()) m_idle.notify_all();
    }
}

void ExpectedPaper::draw(const Item& item)
{
    if (item.width) {
        if (item.width != m_printer->paperWidth()) newPaper(item.width);
        return;
    }
    if (m_route != link::Route::None && item.route != m_route) newPaper(m_printer->paperWidth());
    m_route = item.route;
    m_decoder->feed(item.bytes, *m_printer);
}

void ExpectedPaper::newPaper(int width)
{
    if (m_printer) m_printer->finish();  // the paper so far, torn off
    m_decoder = std::make_unique<printer::Decoder>();
    printer::PrinterOutput& output = *this;
    m_printer = std::make_unique<printer::VirtualPrinter>(width, output, m_glyphs);
}

void ExpectedPaper::page(const printer::Page& page)
{
    m_pieces.push_back({std::make_shared<const printer::Page>(page), 0});
    m_finishedRows += page.height;
    trim(0);
}

void ExpectedPaper::trim(std::int64_t reserve)
{
    while (!m_pieces.empty() && m_finishedRows + reserve > m_bound) {
        PaperPiece& oldest = m_pieces.front();
        const std::int64_t excess = m_finishedRows + reserve - m_bound;
        if (oldest.rows() <= excess) {
            m_finishedRows -= oldest.rows();
            m_droppedRows += std::uint64_t(oldest.rows());
            ++m_droppedPieces;
            m_pieces.pop_front();
        } else {
            oldest.top += int(excess);
            m_finishedRows -= excess;
            m_droppedRows += std::uint64_t(excess);
        }
    }
}

std::shared_ptr<const PaperView> ExpectedPaper::publish()
{
    std::optional<printer::Page> soFar = m_printer->paperSoFar();
    const std::int64_t soFarRows = soFar ? soFar->height : 0;
    trim(std::min(soFarRows, m_bound));
    auto view = std::make_shared<PaperView>();
    view->pieces.assign(m_pieces.begin(), m_pieces.end());
    // Longer than the bound alone (a small bound): only its last rows show.
    const std::int64_t hidden = std::max<std::int64_t>(0, soFarRows - m_bound);
    if (soFar) {
        view->pieces.push_back({std::make_shared<const printer::Page>(std::move(*soFar)), int(hidden)});
        view->soFar = true;
    }
    view->width = m_printer->paperWidth();
    view->keptRows = m_finishedRows + soFarRows - hidden;
    view->droppedRows = m_droppedRows + std::uint64_t(hidden);
    view->droppedPieces = m_droppedPieces;
    view->generation = ++m_generation;
    {
        const std::lock_guard lock(m_mutex);
        view->missedBytes = m_missed;
    }
    return view;
}

}  // namespace printbench::cockpit
