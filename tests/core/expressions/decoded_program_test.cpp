// The decoded programs behind the evaluator: they must give exactly what running the
// stored form item by item gives, values bit for bit and error codes alike, and the
// cache of decoded programs must never return a program of a form that has changed.
#include "expressions/decoded_program.hpp"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "core/expressions/expression_fixture.hpp"
#include "expressions/postfix.hpp"
#include "model/problem.hpp"
#include "units/drawing_transform.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

using testing::ExpressionTest;

constexpr Real kInf = std::numeric_limits<Real>::infinity();
constexpr Real kNaN = std::numeric_limits<Real>::quiet_NaN();

bool Finite(Real v) {
    return std::isfinite(v);
}

// The integer nearest to an item, halves to even; 1000 outside (-128, 128) and for NaN.
int ReferenceCode(Real item) {
    if (!(item > -128 && item < 128)) return 1000;
    return static_cast<int>(std::nearbyint(item));  // the default mode rounds to even
}

// The evaluation rules of the language run item by item on a plain stack, without
// decoding, fusing or caching: the oracle of the differential test. FILE, FLUX and the
// gradients are left out (the generator does not produce them).
struct Reference {
    Problem& problem;
    Real potential, x, y, time;

    Real Function(int code, Real a, Real b, int& error) const {
        switch (code) {
            case kOpPower:
                if (a > 0) return std::pow(a, b);
                if (a == 0) {
                    if (b < 0) error = 4;
                    return b > 0 ? 0 : 1;
                }
                if (b != std::trunc(b)) error = 32;
                return error != 0 ? 0 : std::pow(a, b);
            case kOpExp:
                return std::exp(b);
            case kOpLog:
            case kOpLn:
                if (b <= 0) error = 33;
                return error != 0 ? 0 : std::log(b);
            case kOpSin:
                return std::sin(b);
            case kOpCos:
                return std::cos(b);
            case kOpSqrt:
                if (b < 0) error = 8;
                return error != 0 ? 0 : std::sqrt(b);
            case kOpAbs:
                return std::fabs(b);
            case kOpMax:
                return b >= a ? b : a;
            case kOpMin:
                return b <= a ? b : a;
            case kOpSquareWave: {
                Real u = std::fabs(b);
                if (u > 6.28318531L) {
                    u = std::fmod(u, 6.28318531L);
                    if (u == 0) u = 6.28318531L;
                }
                return u < std::numbers::pi_v<Real> ? 1 : -1;
            }
            case kOpStep:
                return b >= 0 ? 1 : 0;
            case kOpMod:
                if (b == 0) error = 4;
                return error != 0 ? 0 : a - std::trunc(a / b) * b;
            case kOpTrunc:
                return std::trunc(b);
            case kOpDivide:
                if (b == 0) error = 4;
                return error != 0 ? 0 : a / b;
            default:
                error = 7;
                return 0;
        }
    }

    Real Run(const CompiledForm& f, int& error) const {
        error = 0;
        const int n = ReferenceCode(f[0]);
        if (n < 0 || n > 50) return error = 7, 0;
        std::vector<Real> stack;
        const Coordinates c = DrawingToProblem(problem, x, y);
        for (int i = 1; i <= n; ++i) {
            const int code = ReferenceCode(f[static_cast<std::size_t>(i)]);
            Real v = 0;
            if (code <= 0) {
                if (code == -1) {
                    if (i == n) return error = 7, 0;
                    v = f[static_cast<std::size_t>(++i)];
                } else if (code == -2) {
                    v = potential;
                } else if (code == -3 || code == -4) {
                    v = code == -3 ? c.first : c.second;
                } else if (code == -5) {
                    v = time / TimeFactor(problem);
                } else {
                    return error = 7, 0;
                }
                if (stack.size() == 50) return error = 7, 0;
                stack.push_back(v);
                continue;
            }
            const int count = code == kOpIf                                     ? 5
                              : code == kOpNegate || (code >= 12 && code <= 18) ? 1
                              : code == 21 || code == 23 || code == 26          ? 1
                              : (code >= 1 && code <= 5) || code == 19 || code == 20 || code == 25
                                  ? 2
                                  : 0;
            if (count == 0 || static_cast<int>(stack.size()) < count) return error = 7, 0;
            const Real* a = &stack[stack.size() - static_cast<std::size_t>(count)];
            const Real b = stack.back();
            Real r;
            if (code == kOpMultiply) {
                r = a[0] * b;
            } else if (code == kOpAdd) {
                r = a[0] + b;
            } else if (code == kOpSubtract) {
                r = a[0] - b;
            } else if (code == kOpNegate) {
                r = -b;
            } else {
                for (int k = 0; k < count; ++k)
                    if (!Finite(a[k])) return error = 9, 0;
                if (code == kOpIf) {
                    r = a[0] < a[1] ? a[2] : (a[0] == a[1] ? a[3] : a[4]);
                } else {
                    r = Function(code, count == 2 ? a[0] : 0, b, error);
                    if (error != 0) return 0;
                }
                if (!Finite(r)) return error = 9, 0;
            }
            stack.resize(stack.size() - static_cast<std::size_t>(count - 1));
            stack.back() = r;
        }
        if (stack.size() != 1) return error = 7, 0;
        if (!Finite(stack.back())) return error = 9, 0;
        return stack.back();
    }
};

bool SameBits(Real a, Real b) {
    return std::memcmp(&a, &b, 10) == 0;
}

// Random forms: mostly well-formed programs over every operator and operand, some with
// an item changed into a bad one, a fractional variant or a wrong count.
class FormGenerator {
public:
    explicit FormGenerator(unsigned seed) : m_random(seed) {}

    CompiledForm Next() {
        CompiledForm f{};
        int n = 0;
        int sp = 0;
        const int length = Pick(1, 50);
        auto put = [&](Real item) {
            if (n < 50) f[static_cast<std::size_t>(++n)] = item;
        };
        while (n < length) {
            const int room = 50 - n;
            if (sp == 0 || (Pick(0, 2) == 0 && room > 2 + sp)) {
                const int kind = Pick(1, 5);
                if (kind == 1) {
                    if (room < 2) break;
                    put(kMarkerConstant);
                    put(Constant());
                } else {
                    static constexpr Real kMarkers[] = {kMarkerPotential, kMarkerFirstCoordinate,
                                                        kMarkerSecondCoordinate, kMarkerTime};
                    put(kMarkers[kind - 2]);
                }
                ++sp;
                continue;
            }
            static constexpr int kOps[] = {1,  2,  3,  4,  5,  11, 12, 13, 14, 15, 16, 17,
                                           18, 19, 20, 21, 22, 23, 25, 26, 1,  2,  3,  4};
            const int op = kOps[Pick(0, sizeof(kOps) / sizeof(kOps[0]) - 1)];
            const int count = op == 22 ? 5 : (op <= 5 || op == 19 || op == 20 || op == 25) ? 2 : 1;
            if (sp < count) {
                if (room < 2) break;
                put(kMarkerPotential);
                ++sp;
                continue;
            }
            put(op);
            sp -= count - 1;
        }
        while (sp > 1 && n < 50) {
            put(Pick(1, 4));
            --sp;
        }
        f[0] = n;
        Mutate(f, n);
        return f;
    }

    Real Constant() {
        static constexpr Real kPool[] = {0,    1,    -1,   2.5L,    -3,   7,        0.5L,
                                         1e-5, 1e30, -0.0, 1e4000L, kInf, -1e4000L, 3.25L};
        if (Pick(0, 40) == 0) return kNaN;
        return kPool[Pick(0, sizeof(kPool) / sizeof(kPool[0]) - 1)];
    }

    Real Input() {
        static constexpr Real kPool[] = {0, 20.5L, -3, 100, 1e-3L, 1e4000L, -0.0};
        return kPool[Pick(0, sizeof(kPool) / sizeof(kPool[0]) - 1)];
    }

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_random); }

private:
    void Mutate(CompiledForm& f, int n) {
        switch (Pick(0, 9)) {
            case 0: {  // a bad or unusual item somewhere
                static constexpr Real kOdd[] = {0,     6,     10,    27,   -9,    1e30L, kNaN,
                                                -2.5L, -1.6L, 2.49L, 3.5L, -9.5L, 128,   -0.4L};
                f[static_cast<std::size_t>(Pick(1, std::max(1, n)))] =
                    kOdd[Pick(0, sizeof(kOdd) / sizeof(kOdd[0]) - 1)];
                break;
            }
            case 1:  // a wrong count
                f[0] = n + Pick(-3, 3);
                break;
            case 2:
                if (Pick(0, 3) == 0) f[0] = Pick(0, 1) == 0 ? kNaN : Real{51};
                break;
            default:
                break;
        }
    }

    std::mt19937 m_random;
};

class DecodedProgramTest : public ExpressionTest {
protected:
    DecodedProgramTest() {
        problem.settings.originX = 12;
        problem.settings.originY = 300;
        problem.view.zoom = 1.5L;
        problem.view.scrollX = 7;
        problem.view.scrollY = -4;
        problem.settings.timeInHours = true;
    }
};

TEST_F(DecodedProgramTest, RandomFormsGiveTheItemByItemResultsBitForBit) {
    FormGenerator gen(20261209);
    int ok = 0;
    std::vector<int> codes(1001, 0);
    for (int round = 0; round < 20000; ++round) {
        const CompiledForm f = gen.Next();
        const Reference ref{problem, gen.Input(), gen.Input(), gen.Input(), gen.Input()};
        int expectedError = -1;
        const Real expected = ref.Run(f, expectedError);
        // Twice at one address (decoded, then from the cache) and once from a copy.
        auto copy = std::make_unique<CompiledForm>(f);
        for (const CompiledForm* form : {&f, &f, static_cast<const CompiledForm*>(copy.get())}) {
            int error = -1;
            const Real v =
                EvaluateExpression(problem, *form, error, 0, ref.potential, ref.x, ref.y, ref.time);
            ASSERT_EQ(error, expectedError) << "round " << round;
            if (error == 0) {
                ASSERT_TRUE(SameBits(v, expected))
                    << "round " << round << ": " << v << " instead of " << expected;
            }
        }
        ++codes[static_cast<std::size_t>(expectedError < 0 ? 1000 : expectedError)];
        if (expectedError == 0) ++ok;
    }
    // The generator must reach the successes and every error the items can produce.
    EXPECT_GT(ok, 2000);
    for (int code : {4, 7, 8, 9, 32, 33})
        EXPECT_GT(codes[static_cast<std::size_t>(code)], 20) << code;
}

TEST_F(DecodedProgramTest, AFormChangedInPlaceIsDecodedAgain) {
    ProgramCache cache;
    ASSERT_EQ(Compile("T*2+1"), 0);
    CompiledForm& form = spec.compiled;
    // The entry holding the number 2 (after its marker).
    std::size_t two = 0;
    for (std::size_t k = 2; k < form.size(); ++k)
        if (form[k] == 2 && form[k - 1] == kMarkerConstant) two = k;
    ASSERT_GT(two, 0u);
    DecodedProgram* p = &cache.Find(form);
    EXPECT_EQ(cache.Decodes(), 1);
    EXPECT_EQ(&cache.Find(form), p);  // unchanged: no new decoding
    EXPECT_EQ(cache.Decodes(), 1);

    // Only one number of the form changes: same address, same length, same structure.
    form[two] = 3;  // T*3+1
    cache.Find(form);
    EXPECT_EQ(cache.Decodes(), 2);

    // Through the evaluator: a spec recompiled in place gives the new value at once.
    int error = -1;
    ASSERT_EQ(Compile("T*2+1"), 0);
    EXPECT_EQ(EvaluateExpression(problem, spec.compiled, error, 0, 10, 0, 0, 0), 21);
    form[two] = 3;
    EXPECT_EQ(EvaluateExpression(problem, spec.compiled, error, 0, 10, 0, 0, 0), 31);
    ASSERT_EQ(Compile("T-X"), 0);  // a shorter program over the old one
    EXPECT_EQ(EvaluateExpression(problem, spec.compiled, error, 0, 10, 0, 0, 0),
              10 - DrawingToProblem(problem, 0, 0).first);
    spec.compiled[0] = 0;  // no program at all any more
    EvaluateExpression(problem, spec.compiled, error, 0, 10, 0, 0, 0);
    EXPECT_EQ(error, kEvalStack);
}

TEST_F(DecodedProgramTest, ReplacedSpecificationsAreEvaluatedAfresh) {
    const int a = FindOrAddSpec(problem, kSpecFlux, false, "T*2", 0);
    ASSERT_GT(a, 0);
    int error = -1;
    EXPECT_EQ(EvaluateSpec(problem, a, error, 0, 5, 0, 0, 0), 10);
    // Another specification's form copied over this one, as editing a table would do.
    const int b = FindOrAddSpec(problem, kSpecFlux, false, "T*T+1", 0);
    ASSERT_GT(b, 0);
    problem.specs[a] = problem.specs[b];
    EXPECT_EQ(EvaluateSpec(problem, a, error, 0, 5, 0, 0, 0), 26);
    EXPECT_EQ(error, 0);
}

TEST_F(DecodedProgramTest, ManyFormsEvictEachOtherWithoutMixingUp) {
    // More forms than the cache holds, evaluated in turns, each at its own address.
    std::vector<std::unique_ptr<CompiledForm>> forms;
    for (int k = 0; k < 200; ++k) {
        ASSERT_EQ(Compile("T+" + std::to_string(k)), 0);
        forms.push_back(std::make_unique<CompiledForm>(spec.compiled));
    }
    for (int pass = 0; pass < 3; ++pass) {
        for (int k = 0; k < 200; ++k) {
            int error = -1;
            const int index = pass == 1 ? 199 - k : k;
            EXPECT_EQ(EvaluateExpression(problem, *forms[static_cast<std::size_t>(index)], error, 0,
                                         1000, 0, 0, 0),
                      1000 + index);
        }
    }
    // Destroyed and reallocated forms may reuse the addresses of earlier ones.
    forms.clear();
    for (int k = 0; k < 50; ++k) {
        ASSERT_EQ(Compile("T*" + std::to_string(k + 2)), 0);
        auto f = std::make_unique<CompiledForm>(spec.compiled);
        int error = -1;
        EXPECT_EQ(EvaluateExpression(problem, *f, error, 0, 3, 0, 0, 0), 3 * (k + 2));
    }
}

TEST_F(DecodedProgramTest, StructuralFaultsKeepTheirPlaceBehindRunTimeErrors) {
    // A division by zero met before a bad item is reported as such; a bad item before
    // it makes the program malformed.
    CompiledForm f{5, kMarkerConstant, 1, kMarkerConstant, 0, kOpDivide};
    int error = -1;
    EvaluateExpression(problem, f, error, 0, 0, 0, 0, 0);
    EXPECT_EQ(error, kEvalDivisionByZero);
    f = CompiledForm{6, kMarkerConstant, 1, kMarkerConstant, 0, kOpDivide, 27};
    EvaluateExpression(problem, f, error, 0, 0, 0, 0, 0);
    EXPECT_EQ(error, kEvalDivisionByZero);
    f = CompiledForm{6, kMarkerConstant, 1, 27, kMarkerConstant, 0, kOpDivide};
    EvaluateExpression(problem, f, error, 0, 0, 0, 0, 0);
    EXPECT_EQ(error, kEvalStack);
    // LOG of a negative value before too few operands for IF.
    f = CompiledForm{4, kMarkerConstant, -1, kOpLog, kOpIf};
    EvaluateExpression(problem, f, error, 0, 0, 0, 0, 0);
    EXPECT_EQ(error, kEvalLogNonPositive);
}

TEST_F(DecodedProgramTest, DecodingFusesOperandsAndResolvesSlots) {
    // The program is 0 T X * + 2 T * +: the sum starts from a pushed zero, and each
    // product with its sum becomes one step.
    ASSERT_EQ(Compile("T*X+2*T"), 0);
    DecodedProgram p;
    DecodeProgram(spec.compiled, p);
    ASSERT_EQ(p.stepCount, 4);
    EXPECT_EQ(p.steps[0].kind, StepKind::Push);
    EXPECT_EQ(p.slots[p.steps[0].slot], 0);
    EXPECT_EQ(p.steps[1].kind, StepKind::AddMul);
    EXPECT_EQ(p.steps[1].slot, kSlotPotential);
    EXPECT_EQ(p.steps[1].slot2, kSlotFirstCoordinate);
    EXPECT_EQ(p.steps[2].kind, StepKind::AddMul);
    EXPECT_EQ(p.slots[p.steps[2].slot], 2);
    EXPECT_EQ(p.steps[2].slot2, kSlotPotential);
    EXPECT_EQ(p.steps[3].kind, StepKind::End);
    // A pair not followed by an operator on the stack stays a push.
    ASSERT_EQ(Compile("(T*T)^(X/3-T)"), 0);
    DecodeProgram(spec.compiled, p);
    bool pushMul = false;
    for (int k = 0; k < p.stepCount; ++k)
        pushMul = pushMul || p.steps[static_cast<std::size_t>(k)].kind == StepKind::PushMul;
    EXPECT_TRUE(pushMul);
    int error = -1;
    EXPECT_REAL_NEAR(EvaluateExpression(problem, spec.compiled, error, 0, 3, 0, 0, 0),
                     std::pow(9.0L, DrawingToProblem(problem, 0, 0).first / 3 - 3), 1e-15L);
    ASSERT_EQ(Compile("T*X+2*T"), 0);
    DecodeProgram(spec.compiled, p);
    EXPECT_TRUE(p.usesCoordinates);
    EXPECT_FALSE(p.usesTime);
    EXPECT_FALSE(p.reentrant);
    ASSERT_EQ(Compile("FLUX+1"), 0);
    DecodeProgram(spec.compiled, p);
    EXPECT_TRUE(p.reentrant);
}

}  // namespace
}  // namespace kova

namespace kova {
namespace {

TEST_F(DecodedProgramTest, EveryChangeOfTheViewReachesTheCoordinates) {
    // The evaluator keeps the transform of the last view; each change of a view value
    // between two evaluations must show in X and Y exactly as DrawingToProblem gives them.
    ASSERT_EQ(Compile("X*1000+Y"), 0);
    auto check = [&](const char* what) {
        int error = -1;
        const Coordinates c = DrawingToProblem(problem, 37, 81);
        EXPECT_TRUE(SameBits(EvaluateExpression(problem, spec.compiled, error, 0, 0, 37, 81, 0),
                             c.first * 1000 + c.second))
            << what;
        EXPECT_EQ(error, 0);
    };
    check("start");
    problem.view.zoom = 3;
    check("zoom");
    problem.view.scrollX = -20;
    check("scroll x");
    problem.view.scrollY = 11;
    check("scroll y");
    problem.settings.originX = 40;
    check("origin x");
    problem.settings.originY = 90;
    check("origin y");
    problem.settings.drawingScale = 100;
    check("drawing scale");
    problem.view.zoom = -1;  // counts as 1
    check("no zoom");
    // A negative zero scale gives coordinates of the other sign of zero.
    problem.settings.drawingScale = 0;
    ASSERT_EQ(Compile("1/X"), 0);
    int error = -1;
    EvaluateExpression(problem, spec.compiled, error, 0, 0, 200, 0, 0);
    EXPECT_EQ(error, kEvalDivisionByZero);
    problem.settings.drawingScale = -0.0L;
    EvaluateExpression(problem, spec.compiled, error, 0, 0, 200, 0, 0);
    EXPECT_EQ(error, kEvalDivisionByZero);
    const CompiledForm x{1, kMarkerFirstCoordinate};  // X alone, without the compiler's 0 +
    const Real minus = EvaluateExpression(problem, x, error, 0, 0, 200, 0, 0);
    problem.settings.drawingScale = 0;
    const Real plus = EvaluateExpression(problem, x, error, 0, 0, 200, 0, 0);
    EXPECT_TRUE(std::signbit(minus));
    EXPECT_FALSE(std::signbit(plus));
}

}  // namespace
}  // namespace kova
