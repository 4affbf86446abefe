#include "solver/equation_numbering.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include "solver/equation_numbering_search.hpp"

namespace kova {
namespace {

// The coupling graph in compact form, entries beyond n left out (they are never
// numbered), in stored order, and the same lists reversed (who lists u), which give the
// distances from every start to a hub.
struct Graph {
    int n = 0;
    std::vector<std::int32_t> start;  // unknown u's neighbours: [start[u], start[u + 1])
    std::vector<std::int32_t> adjacency;
    std::vector<std::int32_t> rstart, radjacency;
    const std::int32_t* Begin(int u) const {
        return adjacency.data() + start[static_cast<std::size_t>(u)];
    }
    const std::int32_t* End(int u) const {
        return adjacency.data() + start[static_cast<std::size_t>(u) + 1];
    }

    void Reverse() {
        rstart.assign(static_cast<std::size_t>(n) + 2, 0);
        for (int u = 1; u <= n; ++u)
            for (const std::int32_t* v = Begin(u); v != End(u); ++v)
                ++rstart[static_cast<std::size_t>(*v) + 1];
        for (int u = 1; u <= n + 1; ++u)
            rstart[static_cast<std::size_t>(u)] += rstart[static_cast<std::size_t>(u) - 1];
        radjacency.assign(adjacency.size(), 0);
        std::vector<std::int32_t> fill(rstart.begin(), rstart.end() - 1);
        for (int u = 1; u <= n; ++u)
            for (const std::int32_t* v = Begin(u); v != End(u); ++v)
                radjacency[static_cast<std::size_t>(fill[static_cast<std::size_t>(*v)]++)] = u;
    }
};

// For every start, the largest width at which it is known to be abandoned (0: none):
// it has a level of that many unknowns, so it is abandoned at that width and at every
// narrower one. Shared by the searches; entries only grow.
class AbandonedAt {
public:
    explicit AbandonedAt(int n) : m_width(static_cast<std::size_t>(n) + 1) {}

    bool Known(int s, int best) const {
        return m_width[static_cast<std::size_t>(s)].load(std::memory_order_relaxed) >= best;
    }

    void Record(int s, int best) {
        std::atomic<std::int32_t>& w = m_width[static_cast<std::size_t>(s)];
        std::int32_t current = w.load(std::memory_order_relaxed);
        while (current < best &&
               !w.compare_exchange_weak(current, best, std::memory_order_relaxed)) {
        }
    }

private:
    std::vector<std::atomic<std::int32_t>> m_width;
};

// Proof that starts will be abandoned, without numbering them.
//
// After the last unknown of breadth-first level r - 1 has been scanned, exactly level r
// is numbered and unscanned, so the width q - p reached equals |level r|: a start is
// abandoned whenever one of its levels r >= 1 holds best or more unknowns. A hub h with
// level counts gives a lower bound for every start s at distance d from it: the unknowns
// within distance R of s include those within R - d of h, so levels 1..R of s hold at
// least ball_h(R - d) - 1 unknowns, and if that exceeds R (best - 1) one level is too
// wide. With M = max over rho of ball_h(rho) - 1 - rho (best - 1), every start s with
// d(s, h) (best - 1) < M is abandoned for certain and can be skipped; the proofs go
// into the shared record of widths at which starts are abandoned.
class Coverage {
public:
    Coverage(const Graph& g, AbandonedAt& abandoned) : m_g(g), m_abandoned(abandoned) {
        m_distance.assign(static_cast<std::size_t>(g.n) + 1, -1);
        m_parent.assign(static_cast<std::size_t>(g.n) + 1, 0);
        m_queue.assign(static_cast<std::size_t>(g.n) + 1, 0);
    }

    // True when every unknown reaches every other one along the lists: unknown 1 reaches
    // all, and all reach unknown 1.
    bool StronglyConnected() {
        Search(1, false, -1);
        if (m_visited != m_g.n) return false;
        Search(1, true, -1);
        return m_visited == m_g.n;
    }

    // Hubs spread through the graph: the levels of a search from a node far from node 1
    // sweep across it, and points a quarter, half and three quarters along some of those
    // levels lie well inside, where levels are widest and a hub proves the most starts
    // abandoned.
    std::vector<std::int32_t> SeedHubs() {
        Search(1, false, -1);
        Search(m_queue[static_cast<std::size_t>(m_visited - 1)], false, -1);
        const std::vector<std::int32_t> order(m_queue.begin(), m_queue.begin() + m_visited);
        const std::vector<std::int32_t> levels = m_levels;
        std::vector<std::int32_t> first(levels.size() + 1, 0);
        for (std::size_t r = 0; r < levels.size(); ++r) first[r + 1] = first[r] + levels[r];
        std::vector<std::int32_t> seeds;
        for (std::size_t i = 1; i <= kSeedLevels; ++i) {
            const std::size_t r = i * levels.size() / (kSeedLevels + 1);
            if (r == 0 || r >= levels.size()) continue;
            for (int part = 1; part < kSeedParts; ++part)
                seeds.push_back(
                    order[static_cast<std::size_t>(first[r] + part * levels[r] / kSeedParts)]);
        }
        std::sort(seeds.begin(), seeds.end());
        seeds.erase(std::unique(seeds.begin(), seeds.end()), seeds.end());
        return seeds;
    }

    // Makes h a hub and marks the starts it proves abandoned at width `best`.
    void AddHub(int h, int best) {
        if (static_cast<int>(m_hubs.size()) >= kMaxHubs) return;
        Search(h, false, -1);
        m_hubs.push_back({h, m_levels});
        Apply(m_hubs.back(), best);
    }

    // The width fell to `best`: every hub proves more starts abandoned. Ends early when
    // `stop` is raised (the search is then given up).
    void Narrowed(int best, const std::atomic<bool>& stop) {
        for (const Hub& hub : m_hubs) {
            if (stop.load(std::memory_order_relaxed)) return;
            Apply(hub, best);
        }
    }

private:
    static constexpr int kMaxHubs = 64;
    static constexpr std::size_t kSeedLevels = 16;
    static constexpr int kSeedParts = 8;

    struct Hub {
        int node;
        std::vector<std::int32_t> levels;  // unknowns per breadth-first level from the hub
    };

    void Apply(const Hub& hub, int best) {
        const std::int64_t slack = best - 1;
        // Whole balls: M = max over rho of ball(rho) - 1 - rho (best - 1); a start s at
        // distance d with d (best - 1) < M has a level of best or more.
        std::int64_t margin = 0;
        std::int64_t ball = 0;
        // Windows of levels: the hub's levels a..b lie within levels a - d..b + d of s, so
        // if they hold more than (b - a + 1 + 2d)(best - 1) unknowns, one of those levels
        // of s is too wide. E = the largest sum of |level| - (best - 1) over a run of
        // levels from a >= 1 on (the widest part, away from the hub's narrow start).
        std::int64_t excess = 0, run = 0;
        std::size_t runStart = 1, excessStart = 1;
        for (std::size_t rho = 0; rho < hub.levels.size(); ++rho) {
            ball += hub.levels[rho];
            margin =
                std::max<std::int64_t>(margin, ball - 1 - static_cast<std::int64_t>(rho) * slack);
            if (rho == 0) continue;
            if (run <= 0) {
                run = 0;
                runStart = rho;
            }
            run += hub.levels[rho] - slack;
            if (run > excess) {
                excess = run;
                excessStart = runStart;
            }
        }
        std::int64_t reach = -1;  // the largest distance proved
        if (slack <= 0) {
            reach = margin > 0 || excess > 0 ? m_g.n : -1;
        } else {
            if (margin > 0) reach = (margin - 1) / slack;
            // The window must start at level 1 or later of s: d < a.
            if (excess > 0)
                reach = std::max<std::int64_t>(
                    reach, std::min<std::int64_t>((excess - 1) / (2 * slack),
                                                  static_cast<std::int64_t>(excessStart) - 1));
        }
        if (reach < 0) return;
        Search(hub.node, true, static_cast<int>(std::min<std::int64_t>(reach, m_g.n)));
        for (int i = 0; i < m_visited; ++i)
            m_abandoned.Record(m_queue[static_cast<std::size_t>(i)], best);
    }

    // Breadth-first search from h up to depth `limit` (-1: no limit) over the forward or
    // reverse graph: the count per level in m_levels, the visited unknowns in
    // m_queue[0, m_visited) in order of distance, each one's predecessor in m_parent.
    void Search(int h, bool reverse, int limit) {
        m_levels.clear();
        const std::vector<std::int32_t>& start = reverse ? m_g.rstart : m_g.start;
        const std::vector<std::int32_t>& adjacency = reverse ? m_g.radjacency : m_g.adjacency;
        int head = 0, tail = 0;
        m_queue[static_cast<std::size_t>(tail++)] = h;
        m_distance[static_cast<std::size_t>(h)] = 0;
        m_parent[static_cast<std::size_t>(h)] = 0;
        m_levels.push_back(1);
        while (head < tail) {
            const int u = m_queue[static_cast<std::size_t>(head++)];
            const int du = m_distance[static_cast<std::size_t>(u)];
            if (limit >= 0 && du >= limit) continue;
            for (std::int32_t k = start[static_cast<std::size_t>(u)];
                 k < start[static_cast<std::size_t>(u) + 1]; ++k) {
                const int v = adjacency[static_cast<std::size_t>(k)];
                if (m_distance[static_cast<std::size_t>(v)] >= 0) continue;
                m_distance[static_cast<std::size_t>(v)] = du + 1;
                m_parent[static_cast<std::size_t>(v)] = u;
                m_queue[static_cast<std::size_t>(tail++)] = v;
                if (static_cast<std::size_t>(du + 1) >= m_levels.size()) m_levels.push_back(0);
                ++m_levels[static_cast<std::size_t>(du + 1)];
            }
        }
        m_visited = tail;
        for (int i = 0; i < tail; ++i)
            m_distance[static_cast<std::size_t>(m_queue[static_cast<std::size_t>(i)])] = -1;
    }

    const Graph& m_g;
    AbandonedAt& m_abandoned;
    std::vector<std::int32_t> m_distance, m_parent, m_queue, m_levels;
    int m_visited = 0;
    std::vector<Hub> m_hubs;
};

// Level counts of up to 64 starts at once, one bit per start in every word: a word per
// unknown holds which starts have reached it, which have it in their current level and
// which reach it next. The starts of a batch lie close together, so their levels sweep
// the graph almost together and one pass does the work of many single searches. Counts
// per start are kept in bit planes (plane i holds bit i of every start's count), so
// adding a level costs a few word operations per unknown, and the test against the
// width is one bit-sliced comparison. A level of `best` or more unknowns proves its
// start abandoned: the width after the last unknown of the level before it is scanned
// equals the level's size. Starts not proved so still have to be numbered.
class LevelBatch {
public:
    explicit LevelBatch(const Graph& g)
        : m_g(g),
          m_reached(static_cast<std::size_t>(g.n) + 1, 0),
          m_current(static_cast<std::size_t>(g.n) + 1, 0),
          m_next(static_cast<std::size_t>(g.n) + 1, 0) {
        while ((std::int64_t{1} << m_planeCount) <= g.n) ++m_planeCount;
    }

    // Bit k of the result is set when starts[k] has a level of `best` or more unknowns.
    std::uint64_t Prove(const std::vector<std::int32_t>& starts, int best) {
        const std::size_t count = std::min<std::size_t>(starts.size(), 64);
        std::uint64_t alive = count == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1;
        std::uint64_t proved = 0;
        m_front.clear();
        m_touched.clear();
        for (std::size_t k = 0; k < count; ++k) {
            const auto u = static_cast<std::size_t>(starts[k]);
            if (m_reached[u] == 0) {
                m_front.push_back(starts[k]);
                m_touched.push_back(starts[k]);
            }
            m_reached[u] |= std::uint64_t{1} << k;
            m_current[u] |= std::uint64_t{1} << k;
        }
        while (alive != 0 && !m_front.empty()) {
            // Every unknown next to the current levels collects their bits.
            m_following.clear();
            for (const std::int32_t x : m_front) {
                const std::uint64_t bits = m_current[static_cast<std::size_t>(x)] & alive;
                m_current[static_cast<std::size_t>(x)] = 0;
                if (bits == 0) continue;
                for (const std::int32_t* v = m_g.Begin(x); v != m_g.End(x); ++v) {
                    std::uint64_t& next = m_next[static_cast<std::size_t>(*v)];
                    if (next == 0) m_following.push_back(*v);
                    next |= bits;
                }
            }
            // The new levels: bits not reached before, counted per start.
            std::fill(m_planes.begin(), m_planes.begin() + m_planeCount, 0);
            std::uint64_t any = 0;
            m_front.clear();
            for (const std::int32_t y : m_following) {
                const auto u = static_cast<std::size_t>(y);
                const std::uint64_t fresh = m_next[u] & ~m_reached[u];
                m_next[u] = 0;
                if (fresh == 0) continue;
                if (m_reached[u] == 0) m_touched.push_back(y);
                m_reached[u] |= fresh;
                m_current[u] = fresh;
                m_front.push_back(y);
                any |= fresh;
                std::uint64_t carry = fresh;
                for (int i = 0; carry != 0 && i < m_planeCount; ++i) {
                    const std::uint64_t c = m_planes[static_cast<std::size_t>(i)] & carry;
                    m_planes[static_cast<std::size_t>(i)] ^= carry;
                    carry = c;
                }
            }
            // Starts whose count is best or more, compared from the top plane down.
            std::uint64_t greater = 0, equal = ~std::uint64_t{0};
            for (int i = m_planeCount - 1; i >= 0; --i) {
                const std::uint64_t plane = m_planes[static_cast<std::size_t>(i)];
                if ((best >> i) & 1)
                    equal &= plane;
                else {
                    greater |= equal & plane;
                    equal &= ~plane;
                }
            }
            const std::uint64_t wide = (greater | equal) & alive & any;
            proved |= wide;
            alive &= any & ~wide;  // a start with no new level has ended
        }
        for (const std::int32_t x : m_front) m_current[static_cast<std::size_t>(x)] = 0;
        for (const std::int32_t x : m_touched) m_reached[static_cast<std::size_t>(x)] = 0;
        return proved;
    }

private:
    const Graph& m_g;
    std::vector<std::uint64_t> m_reached, m_current, m_next;
    std::vector<std::int32_t> m_front, m_following, m_touched;
    std::array<std::uint64_t, 32> m_planes{};
    int m_planeCount = 1;
};

// Numbered starts per hub made from one of them.
constexpr int kTriesPerHub = 4;

enum class StartOutcome { Abandoned, Accepted, RanOut };

// The breadth-first numbering from s, abandoned once a number q given while unknown p
// is scanned reaches q - p >= best. Within one scan the last number given is the
// largest, so testing after each scan decides exactly as testing every number would,
// and the widest step is the largest q - p after a scan. `mark` holds, per unknown, the
// last start that numbered it, so nothing is cleared between starts; `order` lists the
// unknowns by number (it has room for one entry beyond n, written speculatively).
StartOutcome TryStart(const Graph& g, int s, int best, std::vector<std::int32_t>& mark,
                      std::vector<std::int32_t>& order, int& widest) {
    std::int32_t* const m = mark.data();
    std::int32_t* const o = order.data();
    m[s] = s;
    o[1] = s;
    int q = 1;
    widest = 0;
    for (int p = 1; p <= q && q < g.n; ++p) {
        const int u = o[p];
        for (const std::int32_t* v = g.Begin(u); v != g.End(u); ++v) {
            const std::int32_t w = *v;
            if (m[w] != s) {
                m[w] = s;
                o[++q] = w;
            }
        }
        if (q - p >= best) return StartOutcome::Abandoned;
        widest = std::max(widest, q - p);
    }
    return q < g.n ? StartOutcome::RanOut : StartOutcome::Accepted;
}

// Up to 64 starts from s on, s first, that are neither covered nor proved, taken in
// breadth-first order around s so that they lie close together. `mark` and `order` are
// the numbering scratch; the search marks with -s so as not to disturb the numbering.
void CollectBatch(const Graph& g, int s, int best, const AbandonedAt& abandoned,
                  const std::vector<std::int32_t>& failedAt, std::vector<std::int32_t>& mark,
                  std::vector<std::int32_t>& order, std::vector<std::int32_t>& batch) {
    constexpr int kSearchLimit = 4096;
    std::int32_t* const m = mark.data();
    std::int32_t* const o = order.data();
    m[s] = -s;
    o[1] = s;
    int q = 1;
    for (int p = 1; p <= q && batch.size() < 64 && p <= kSearchLimit; ++p) {
        const int u = o[p];
        if (u >= s && !abandoned.Known(u, best) && failedAt[static_cast<std::size_t>(u)] != best)
            batch.push_back(u);
        for (const std::int32_t* v = g.Begin(u); v != g.End(u); ++v)
            if (m[*v] != -s) {
                m[*v] = -s;
                o[++q] = *v;
            }
    }
}

// The narrowest numbering found so far, as the pair (width, start); start 0 stands for
// the identity numbering. The rule keeps the first start that reaches the smallest
// width, so of two starts as narrow the earlier one wins: a start s before the holder
// is abandoned only at a width above the holder's, a start after it at the holder's
// width. The threshold of every start only falls as better pairs arrive, so a proof
// that a start is abandoned, once made, stays valid.
class Champion {
public:
    Champion(int identityWidth, std::vector<std::int32_t>& equationOfUnknown)
        : m_packed(Pack(identityWidth, 0)), m_equationOfUnknown(equationOfUnknown) {}

    int Threshold(int s) const {
        const std::uint64_t packed = m_packed.load(std::memory_order_acquire);
        return Width(packed) + (s < Start(packed) ? 1 : 0);
    }

    int BestWidth() const { return Width(m_packed.load(std::memory_order_acquire)); }

    // Start s numbered every unknown in `order` (1..n) with widest step `width`; it
    // becomes the holder when it is narrower, or as narrow and earlier.
    void Offer(int s, int width, const std::vector<std::int32_t>& order, int n) {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const std::uint64_t packed = m_packed.load(std::memory_order_relaxed);
        if (width > Width(packed) || (width == Width(packed) && s > Start(packed))) return;
        for (int q = 1; q <= n; ++q)
            m_equationOfUnknown[static_cast<std::size_t>(order[static_cast<std::size_t>(q)])] = q;
        m_packed.store(Pack(width, s), std::memory_order_release);
    }

private:
    static std::uint64_t Pack(int width, int s) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) << 32) |
               static_cast<std::uint32_t>(s);
    }
    static int Width(std::uint64_t packed) { return static_cast<int>(packed >> 32); }
    static int Start(std::uint64_t packed) { return static_cast<int>(packed & 0xffffffffu); }

    std::atomic<std::uint64_t> m_packed;
    std::mutex m_mutex;
    std::vector<std::int32_t>& m_equationOfUnknown;
};

// What every search shares: the graph, the holder, what is known of abandoned starts,
// the hubs to seed, and the next block of starts to take.
struct SharedSearch {
    const Graph& g;
    Champion& champion;
    AbandonedAt& abandoned;
    const std::vector<std::int32_t>& seeds;
    const int threads;
    std::atomic<int> nextStart{1};
    std::atomic<bool> ranOut{false};
};

// Starts are handed out in blocks in increasing order, so that each search sees its
// own starts in increasing order and its thresholds only fall. Blocks are large so that
// the batches of two searches seldom reach into each other's starts.
constexpr int kStartsPerBlock = 1024;

// One search over blocks of starts, search `index` of shared.threads. With one search
// the starts are taken in order and the thresholds are exactly the rule's: the best
// width so far. Returns when every start is taken or a numbering ran out of unknowns.
void SearchStarts(SharedSearch& shared, int index) {
    const Graph& g = shared.g;
    const std::size_t size = static_cast<std::size_t>(g.n) + 1;
    AbandonedAt& abandoned = shared.abandoned;
    Coverage coverage(g, abandoned);
    int coverageWidth = shared.champion.Threshold(1);
    for (std::size_t i = static_cast<std::size_t>(index); i < shared.seeds.size();
         i += static_cast<std::size_t>(shared.threads)) {
        if (shared.ranOut.load(std::memory_order_relaxed)) return;
        coverage.AddHub(shared.seeds[i], coverageWidth);
    }
    LevelBatch levels(g);
    std::vector<std::int32_t> mark(size, 0);
    std::vector<std::int32_t> order(size + 1, 0);
    std::vector<std::int32_t> failedAt(size, 0);  // the threshold at which a batch failed
    std::vector<std::int32_t> batch;
    int triedSinceHub = 0;
    while (!shared.ranOut.load(std::memory_order_relaxed)) {
        const int first = shared.nextStart.fetch_add(kStartsPerBlock);
        if (first > g.n) return;
        const int last = std::min(g.n, first + kStartsPerBlock - 1);
        for (int s = first; s <= last; ++s) {
            // A search that ran out, or one given up, ends here rather than after the block.
            if (shared.ranOut.load(std::memory_order_relaxed)) return;
            const int best = shared.champion.Threshold(s);
            if (best < coverageWidth) {
                coverageWidth = best;
                coverage.Narrowed(best, shared.ranOut);
            }
            if (abandoned.Known(s, best)) continue;  // certain to be abandoned
            if (failedAt[static_cast<std::size_t>(s)] != best) {
                // A batch of the nearest starts still open, s first. Every start in it
                // comes after s, so its threshold is at most s's.
                batch.clear();
                CollectBatch(g, s, best, abandoned, failedAt, mark, order, batch);
                const std::uint64_t bits = levels.Prove(batch, best);
                for (std::size_t k = 0; k < batch.size(); ++k)
                    if ((bits >> k) & 1)
                        abandoned.Record(batch[k], best);
                    else
                        failedAt[static_cast<std::size_t>(batch[k])] = best;
            }
            int widest = 0;
            const StartOutcome outcome = abandoned.Known(s, best)
                                             ? StartOutcome::Abandoned
                                             : TryStart(g, s, best, mark, order, widest);
            if (outcome == StartOutcome::Abandoned) {
                // Every few starts that had to be numbered become hubs for their
                // neighbours.
                if (++triedSinceHub >= kTriesPerHub) {
                    coverage.AddHub(s, coverageWidth);
                    triedSinceHub = 0;
                }
                continue;
            }
            if (outcome == StartOutcome::RanOut) {
                shared.ranOut.store(true, std::memory_order_relaxed);
                return;
            }
            shared.champion.Offer(s, widest, order, g.n);
        }
    }
}

// Below this many unknowns a second search costs more than it saves.
constexpr int kParallelFrom = 4096;

// The lists as a compact graph of unknowns 1..n (entries beyond n are never numbered),
// with the width of the identity numbering. A search owns its copy, so the lists may
// change or go while it runs.
struct GraphCopy {
    Graph g;
    int identityWidth = 0;
};

GraphCopy CopyGraph(const ConnectionLists& connections, int n) {
    GraphCopy copy;
    Graph& g = copy.g;
    g.n = n;
    if (n <= 3) return copy;
    g.start.assign(static_cast<std::size_t>(n) + 2, 0);
    std::size_t entries = 0;
    for (int u = 1; u <= n && u <= connections.Count(); ++u)
        entries += static_cast<std::size_t>(connections.Size(u));
    g.adjacency.reserve(entries);
    for (int u = 1; u <= n; ++u) {
        if (u <= connections.Count())
            for (const std::int32_t* v = connections.Begin(u); v != connections.End(u); ++v) {
                if (*v < 1 || *v > n) continue;
                g.adjacency.push_back(*v);
                copy.identityWidth = std::max(copy.identityWidth, std::abs(*v - u));
            }
        g.start[static_cast<std::size_t>(u) + 1] = static_cast<std::int32_t>(g.adjacency.size());
    }
    return copy;
}

// Everything one numbering needs: the graph, the proofs of abandonment, the hubs, the
// best numbering so far and the searches' shared state.
struct NumberingSearch {
    NumberingSearch(GraphCopy copy, int threads) : abandoned(copy.g.n) {
        const int n = copy.g.n;
        const std::size_t size = static_cast<std::size_t>(n) + 1;
        result.equationOfUnknown.resize(size);
        result.unknownOfEquation.resize(size);
        for (int u = 0; u <= n; ++u) result.equationOfUnknown[static_cast<std::size_t>(u)] = u;
        result.bandwidth = n;
        trivial = n <= 3;
        if (trivial) return;
        g = std::move(copy.g);
        g.Reverse();
        if (threads <= 0) {
            const unsigned cores = std::thread::hardware_concurrency();
            threads = n >= kParallelFrom && cores >= 2 ? 2 : 1;
        }
        seeding = std::make_unique<Coverage>(g, abandoned);
        if (threads > 1 && !seeding->StronglyConnected()) threads = 1;
        seeds = seeding->SeedHubs();
        champion = std::make_unique<Champion>(copy.identityWidth, result.equationOfUnknown);
        shared.reset(new SharedSearch{g, *champion, abandoned, seeds, threads});
    }

    int Threads() const { return trivial ? 1 : shared->threads; }
    // Makes every search return at its next start (the result is then not the rule's).
    void Stop() {
        if (!trivial) shared->ranOut.store(true, std::memory_order_relaxed);
    }
    void Search(int index) {
        if (!trivial) SearchStarts(*shared, index);
    }
    // The result once every search has returned.
    Numbering Finish() {
        if (trivial) {
            result.unknownOfEquation = result.equationOfUnknown;
            return std::move(result);
        }
        if (shared->ranOut.load()) result.solverError = SolverError::Numbering;
        result.bandwidth = champion->BestWidth() + 1;
        for (int u = 1; u <= g.n; ++u)
            result.unknownOfEquation[static_cast<std::size_t>(
                result.equationOfUnknown[static_cast<std::size_t>(u)])] = u;
        return std::move(result);
    }

    Numbering result;
    bool trivial = false;
    Graph g;
    AbandonedAt abandoned;
    std::unique_ptr<Coverage> seeding;  // made once the graph is built
    std::vector<std::int32_t> seeds;
    std::unique_ptr<Champion> champion;
    std::unique_ptr<SharedSearch> shared;
};

}  // namespace

// Every start is tried with the rule's acceptance test. A start costs only the part of
// the graph it numbers before it is abandoned (for most starts a small ball around
// them), not N: nothing is cleared between starts and a numbering is copied out only
// when accepted. Starts that a hub proves to be abandoned are not numbered at all; the
// others are first taken with their open neighbours in a batch whose level counts may
// prove them abandoned, and only those left are numbered one by one. A proof made at one
// width holds at every narrower one, since a level that wide stays too wide.
//
// The result of the rule is the first start that reaches the smallest width, so the
// starts can be searched in any order as long as that pair is what is kept; two
// searches share the work when the graph is large and every unknown reaches every
// other one (then no numbering can run out, and which start would have run out first
// cannot depend on the order). The result is the rule's numbering exactly.
Numbering NumberEquations(const ConnectionLists& connections, int n, int threads) {
    NumberingSearch search(CopyGraph(connections, n), threads);
    std::vector<std::thread> helpers;
    try {
        for (int t = 1; t < search.Threads(); ++t)
            helpers.emplace_back([&search, t] { search.Search(t); });
    } catch (const std::system_error&) {
        // No thread to be had: the searches running share the work (the hubs of the
        // missing ones are left out, which costs time only).
    }
    search.Search(0);
    for (std::thread& helper : helpers) helper.join();
    return search.Finish();
}

// The figure's state, guarded by `mutex`. The searches run outside the lock; the last
// one to return publishes the figure and frees the search.
struct BandwidthFigure::State {
    enum class Phase { Unused, Searching, Done };

    ~State() {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            StopLocked();
        }
        if (background.joinable()) background.join();
    }

    void StopLocked() {
        stopped = true;
        if (search) search->Stop();
    }

    // Every search has returned.
    void PublishLocked() {
        if (search && !stopped && !failed) {
            const Numbering numbering = search->Finish();
            if (numbering.solverError == SolverError::Ok) value = numbering.bandwidth;
        }
        search.reset();
        phase = Phase::Done;
        changed.notify_all();
    }

    // The search proper, on the background thread (or the caller's when no thread could
    // be had): the hubs are made here, off the calculation's path.
    void Run() {
        std::unique_lock<std::mutex> lock(mutex);
        if (stopped) {
            PublishLocked();
            return;
        }
        GraphCopy copy = std::move(pending);
        lock.unlock();
        std::unique_ptr<NumberingSearch> made;
        try {
            made = std::make_unique<NumberingSearch>(std::move(copy), 2);
        } catch (const std::bad_alloc&) {
        }
        lock.lock();
        if (!made) {
            failed = true;
            PublishLocked();
            return;
        }
        search = std::move(made);
        if (stopped) search->Stop();
        NumberingSearch* s = search.get();
        ++running;
        changed.notify_all();  // a waiting caller may now take its share
        lock.unlock();
        SearchAndReturn(s, 0);
    }

    // One search of the shared starts; the last to return publishes.
    void SearchAndReturn(NumberingSearch* s, int index) {
        bool outOfMemory = false;
        try {
            s->Search(index);
        } catch (const std::bad_alloc&) {
            outOfMemory = true;
        }
        const std::lock_guard<std::mutex> lock(mutex);
        if (outOfMemory) {
            failed = true;
            s->Stop();
        }
        if (--running == 0) PublishLocked();
    }

    std::mutex mutex;
    std::condition_variable changed;
    Phase phase = Phase::Unused;
    std::optional<int> value;
    GraphCopy pending;                        // the lists' copy, until the search takes it
    std::unique_ptr<NumberingSearch> search;  // from its making until the figure is out
    int running = 0;                          // searches between Search and their return
    bool helped = false;                      // a waiting caller took its share
    bool stopped = false;
    bool failed = false;  // out of memory: the figure stays unknown
    std::thread background;
};

BandwidthFigure::BandwidthFigure() : m_state(std::make_shared<State>()) {}

void BandwidthFigure::Search(const ConnectionLists& connections, int n) {
    State& state = *m_state;
    {
        const std::lock_guard<std::mutex> lock(state.mutex);
        if (state.phase != State::Phase::Unused) return;
        state.phase = State::Phase::Searching;
    }
    // Only the copy is made on the caller's path.
    GraphCopy copy;
    try {
        copy = CopyGraph(connections, n);
    } catch (const std::bad_alloc&) {
        const std::lock_guard<std::mutex> lock(state.mutex);
        state.failed = true;
        state.PublishLocked();
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(state.mutex);
        state.pending = std::move(copy);
    }
    try {
        state.background = std::thread([&state] { state.Run(); });
    } catch (const std::system_error&) {
        state.Run();
    }
}

void BandwidthFigure::SetKnown(int bandwidth) {
    State& state = *m_state;
    const std::lock_guard<std::mutex> lock(state.mutex);
    if (state.phase != State::Phase::Unused) return;
    state.value = bandwidth;
    state.phase = State::Phase::Done;
}

std::optional<int> BandwidthFigure::Value() const {
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->phase == State::Phase::Done ? m_state->value : std::nullopt;
}

bool BandwidthFigure::Pending() const {
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->phase == State::Phase::Searching;
}

bool BandwidthFigure::Unused() const {
    const std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->phase == State::Phase::Unused;
}

std::optional<int> BandwidthFigure::Wait() const {
    State& state = *m_state;
    std::unique_lock<std::mutex> lock(state.mutex);
    if (state.phase == State::Phase::Unused) return std::nullopt;
    state.changed.wait(lock,
                       [&state] { return state.phase == State::Phase::Done || state.search; });
    // The second search takes the starts the background one has not reached yet (on a
    // graph where two searches may share them).
    if (state.phase != State::Phase::Done && !state.helped && !state.stopped &&
        state.search->Threads() > 1) {
        state.helped = true;
        ++state.running;
        NumberingSearch* s = state.search.get();
        lock.unlock();
        state.SearchAndReturn(s, 1);
        lock.lock();
    }
    state.changed.wait(lock, [&state] { return state.phase == State::Phase::Done; });
    return state.value;
}

void BandwidthFigure::Abandon() const {
    State& state = *m_state;
    std::unique_lock<std::mutex> lock(state.mutex);
    state.StopLocked();
    if (state.phase == State::Phase::Unused) {
        state.phase = State::Phase::Done;
        return;
    }
    state.changed.wait(lock, [&state] { return state.phase == State::Phase::Done; });
}

}  // namespace kova
