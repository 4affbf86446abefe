#include "expressions/compiler.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>
#include <string_view>

#include "expressions/data_files.hpp"
#include "expressions/evaluator.hpp"
#include "expressions/postfix.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

// Single characters that stand for the names during compilation (Latin-1 codes).
constexpr unsigned char kFirstFunctionToken = 161;  // EXP; the others follow in order
constexpr unsigned char kFileToken = 173;
constexpr unsigned char kFluxChar = 252;
constexpr unsigned char kGradientXChar = 253;
constexpr unsigned char kGradientYChar = 254;
constexpr unsigned char kTimeChar = 255;
// Stands for every byte of the typed text that is not printable ASCII, so that such a
// byte can never be mistaken for one of the characters above.
constexpr unsigned char kStrayByte = 0x7F;
// The bottom mark of the operator stack (position 0).
constexpr unsigned char kStackBottom = 0;

constexpr std::array<std::string_view, 15> kFunctionNames = {
    "EXP", "LOG",  "SIN", "COS",  "LN",   "SQRT", "ABS",  "MAX",
    "MIN", "SQWV", "IF",  "STEP", "FILE", "MOD",  "TRUNC"};

constexpr std::string_view kPowerMinusMessage =
    "The character sequence ^- is not legal.  Use parentheses around the exponent.";

// The place of a character in the operator ordering "=)(,+-*/^#" followed by the
// fifteen function tokens; 0 for every other character. Places decide precedence.
int Position(unsigned char c) {
    switch (c) {
        case '=':
            return 1;
        case ')':
            return 2;
        case '(':
            return 3;
        case ',':
            return 4;
        case '+':
            return 5;
        case '-':
            return 6;
        case '*':
            return 7;
        case '/':
            return 8;
        case '^':
            return 9;
        case '#':
            return 10;
        default:
            break;
    }
    if (c >= kFirstFunctionToken && c < kFirstFunctionToken + kFunctionNames.size())
        return c - kFirstFunctionToken + 11;
    return 0;
}

// The operator code written for a character of place `position`; 0 for the places that
// are not operators ("=", parentheses, comma).
int OperatorCodeAt(int position) {
    switch (position) {
        case 5:
            return kOpAdd;
        case 6:
            return kOpSubtract;
        case 7:
            return kOpMultiply;
        case 8:
            return kOpDivide;
        case 9:
            return kOpPower;
        case 10:
            return kOpNegate;
        default:
            break;
    }
    return position >= 11 ? position + 1 : 0;
}

// Replaces occurrences of `from` until none is left; a replacement may form a new
// occurrence with the character before it, so the search starts over each time.
void ReplaceUntilGone(std::string& s, std::string_view from, std::string_view to) {
    if (from.empty()) return;
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from)) {
        s.replace(at, from.size(), to);
    }
}

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// Printable ASCII is kept; anything else becomes kStrayByte.
std::string MaskStrayBytes(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u > 0x7E) c = static_cast<char>(kStrayByte);
    }
    return out;
}

bool IsDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

// The work of one compilation: the text being rewritten, the program being built and
// the flags it sets. The result is copied into the target record only on success.
class Compilation {
public:
    explicit Compilation(Problem& problem) : m_problem(problem) {}

    int Run(const std::string& typed, const BoundarySpec& previous) {
        m_program = previous.compiled;
        std::string text = typed.substr(0, std::min(typed.size(), kMaxExpressionText));

        // 1. A data-file lookup 'name',c1,c2,x becomes FILE(k,c1,c2,x).
        if (!text.empty() && text[0] == '\'') {
            const std::size_t close = text.find('\'', 1);
            if (close == std::string::npos) return Beeped(kCompileMissingOperand);
            const int k = LoadDataFile(m_problem, text.substr(1, close - 1));
            if (k < 0) return k == kDataFileNotFound ? kCompileFileNotFound : kCompileUnusable;
            m_text = static_cast<char>(kFileToken);
            m_text += '(';
            m_text += std::to_string(k);
            m_text += MaskStrayBytes(std::string_view(text).substr(close + 1));
            m_text += ')';
        } else {
            m_text = MaskStrayBytes(text);
        }

        // 2. Spaces are removed.
        std::erase(m_text, ' ');

        // 3. A text may not end with an operator or "(", nor contain "()".
        if (!m_text.empty()) {
            const char last = m_text.back();
            if (std::string_view("=+-(^*/").find(last) != std::string_view::npos)
                return Beeped(kCompileMissingOperand);
        }
        if (m_text.find("()") != std::string::npos) return Beeped(kCompileMissingOperand);

        // 4. Sign folding; "**" is a power.
        ReplaceUntilGone(m_text, "**", "^");
        ReplaceUntilGone(m_text, "--", "+");
        ReplaceUntilGone(m_text, "+-", "-");
        ReplaceUntilGone(m_text, "-+", "-");
        ReplaceUntilGone(m_text, "++", "+");

        // 5. and 6. The wrapper gives the first operator a left operand; "=" ends the text.
        m_text = Upper("0+" + m_text + "=");

        // 7. The variable names become single characters.
        const SubjectVocabulary& words = m_problem.vocabulary;
        ReplaceUntilGone(m_text, "TIME", std::string(1, static_cast<char>(kTimeChar)));
        ReplaceUntilGone(m_text, Upper(words.fluxName),
                         std::string(1, static_cast<char>(kFluxChar)));
        ReplaceUntilGone(m_text, Upper(words.gradientX),
                         std::string(1, static_cast<char>(kGradientXChar)));
        ReplaceUntilGone(m_text, Upper(words.gradientY),
                         std::string(1, static_cast<char>(kGradientYChar)));

        // 8. A negative exponent needs parentheses.
        if (m_text.find("^-") != std::string::npos) {
            m_problem.reporter().ShowError(std::string(kPowerMinusMessage));
            return kCompileUnusable;
        }

        // 9. Parentheses must balance, and none may close before it opened.
        if (!ParenthesesMatch()) {
            m_problem.reporter().Beep();
            m_problem.reporter().ShowStatusText(GetMessage(MessageId::UnmatchedParentheses),
                                                StatusPanel::Info);
            return kCompileIllegal;
        }

        // 10. Unary signs: "+" is dropped, "-" becomes "#".
        MarkUnarySigns();

        // 11. Function names become their tokens.
        for (std::size_t f = 0; f < kFunctionNames.size(); ++f) {
            const auto token = static_cast<char>(kFirstFunctionToken + f);
            ReplaceUntilGone(m_text, kFunctionNames[f], std::string(1, token));
        }

        // 12. Only the characters of the language may remain.
        if (!AllCharactersAllowed()) return kCompileIllegal;

        // 13. and 14.
        return ConvertToPostfix();
    }

    void CopyInto(BoundarySpec& spec) const {
        const int n = m_count;
        spec.compiled[0] = static_cast<Real>(n);
        for (int i = 1; i <= n; ++i) spec.compiled[i] = m_program[i];
        spec.constant = 0;
        spec.dependsOnPosition = m_position;
        spec.dependsOnPotential = m_potential;
        spec.dependsOnTime = m_time;
    }

private:
    int Beeped(int code) {
        m_problem.reporter().Beep();
        return code;
    }

    bool ParenthesesMatch() const {
        int depth = 0;
        for (char c : m_text) {
            if (c == '(') ++depth;
            if (c == ')' && --depth < 0) return false;
        }
        return depth == 0;
    }

    void MarkUnarySigns() {
        char previous = '+';
        std::string out;
        out.reserve(m_text.size());
        for (char c : m_text) {
            const bool sign = c == '+' || c == '-';
            if (sign && Position(static_cast<unsigned char>(previous)) > 2) {
                if (c == '-') out += '#';
                // a unary "+" is dropped
            } else {
                out += c;
            }
            previous = c;
        }
        m_text = out;
    }

    bool IsOperandLetter(unsigned char c) const {
        return c == static_cast<unsigned char>(m_problem.vocabulary.variableLetter) ||
               c == static_cast<unsigned char>(m_problem.settings.axisLetters[0]) ||
               c == static_cast<unsigned char>(m_problem.settings.axisLetters[1]) ||
               (c >= kFluxChar && c <= kTimeChar);
    }

    bool AllCharactersAllowed() const {
        for (std::size_t i = 0; i + 1 < m_text.size(); ++i) {
            const auto c = static_cast<unsigned char>(m_text[i]);
            const bool allowed = IsDigit(c) || c == '.' || c == 'E' || c == 'e' ||
                                 (Position(c) >= 2 && c != '=') || IsOperandLetter(c);
            if (!allowed) return false;
        }
        return true;
    }

    bool Emit(Real v) {
        if (m_count >= kMaxProgramEntries) return false;
        m_program[static_cast<std::size_t>(++m_count)] = v;
        return true;
    }

    // Pops the top operator and writes its code. The bottom mark is never popped; the
    // rules below cannot ask for it, and an empty stack would have no top to read.
    int PopAndEmit() {
        if (m_stack.size() <= 1) return kCompileIllegal;
        const int code = OperatorCodeAt(Position(static_cast<unsigned char>(m_stack.back())));
        m_stack.pop_back();
        if (code == 0) return kCompileIllegal;  // a "(" left open; cannot pass step 9
        if (!Emit(static_cast<Real>(code))) return Beeped(kCompileTooLong);
        return kCompileOk;
    }

    int TopPosition() const { return Position(static_cast<unsigned char>(m_stack.back())); }

    int ConvertToPostfix() {
        m_position = m_potential = m_time = 0;
        m_count = 0;
        m_stack.assign(1, static_cast<char>(kStackBottom));
        const auto letter = static_cast<unsigned char>(m_problem.vocabulary.variableLetter);
        const auto first = static_cast<unsigned char>(m_problem.settings.axisLetters[0]);
        const auto second = static_cast<unsigned char>(m_problem.settings.axisLetters[1]);

        for (std::size_t i = 0; i < m_text.size(); ++i) {
            const auto c = static_cast<unsigned char>(m_text[i]);
            const int p = Position(c);
            const int q = i > 0 ? Position(static_cast<unsigned char>(m_text[i - 1])) : 0;
            if (c == '(') {
                m_stack.push_back('(');
            } else if (c == ')' || c == ',') {
                // The wrapper's "+" (just above the bottom mark) stays.
                while (m_stack.back() != '(' && m_stack.size() > 2) {
                    if (const int e = PopAndEmit()) return e;
                }
                if (c == ')') {
                    if (m_stack.back() != '(') return kCompileIllegal;
                    m_stack.pop_back();
                }
            } else if (p == 1 || (p >= 5 && p <= 10)) {
                const bool twoOperandOrEnd = p == 1 || (p >= 5 && p <= 8);
                if ((q >= 5 && twoOperandOrEnd) || q >= 10) return Beeped(kCompileMissingOperand);
                while (TopPosition() >= p || TopPosition() > 8) {
                    if (const int e = PopAndEmit()) return e;
                }
                if (c == '=') {
                    if (m_stack.size() != 1) return kCompileIllegal;
                    return kCompileOk;
                }
                m_stack.push_back(static_cast<char>(c));
            } else if (p >= 11) {
                if (q >= 10) return Beeped(kCompileMissingOperand);
                m_stack.push_back(static_cast<char>(c));
            } else if (c == letter || c == kFluxChar || c == kGradientXChar ||
                       c == kGradientYChar) {
                const Real marker = c == letter           ? kMarkerPotential
                                    : c == kFluxChar      ? kMarkerFlux
                                    : c == kGradientXChar ? kMarkerGradientX
                                                          : kMarkerGradientY;
                if (!Emit(marker)) return Beeped(kCompileTooLong);
                m_potential = 1;
            } else if (c == first || c == second) {
                if (!Emit(c == first ? kMarkerFirstCoordinate : kMarkerSecondCoordinate))
                    return Beeped(kCompileTooLong);
                m_position = 1;
            } else if (c == kTimeChar) {
                if (!Emit(kMarkerTime)) return Beeped(kCompileTooLong);
                m_time = 1;
            } else {
                if (const int e = ReadNumber(i)) return e;
            }
        }
        return Beeped(kCompileMissingOperand);  // no end marker: cannot happen after step 5
    }

    // Reads the number that starts at m_text[i] and leaves i on its last character.
    int ReadNumber(std::size_t& i) {
        std::string number(1, m_text[i]);
        while (i + 1 < m_text.size()) {
            const auto next = static_cast<unsigned char>(m_text[i + 1]);
            const bool signOfExponent = (next == '+' || next == '-') && m_text[i] == 'E';
            if (Position(next) != 0 && !signOfExponent) break;
            number += static_cast<char>(next);
            ++i;
        }
        int points = 0;
        for (std::size_t k = 0; k < number.size(); ++k) {
            const auto c = static_cast<unsigned char>(number[k]);
            const bool sign = (c == '+' || c == '-') && k > 0 && number[k - 1] == 'E';
            if (!IsDigit(c) && c != '.' && c != 'E' && !sign) return Beeped(kCompileBadNumber);
            if (c == '.' && ++points > 1) return Beeped(kCompileBadNumber);
        }
        const std::optional<Real> value = ParseDecimal(number);
        if (!value) return Beeped(kCompileBadNumber);
        if (!Emit(kMarkerConstant) || !Emit(*value)) return Beeped(kCompileTooLong);
        return kCompileOk;
    }

    Problem& m_problem;
    std::string m_text;
    std::string m_stack;
    CompiledForm m_program{};
    int m_count = 0;
    std::uint8_t m_position = 0;
    std::uint8_t m_potential = 0;
    std::uint8_t m_time = 0;
};

}  // namespace

int CompileExpression(Problem& problem, const std::string& text, BoundarySpec& spec) {
    Compilation compilation(problem);
    const int code = compilation.Run(text, spec);
    if (code == kCompileOk) compilation.CopyInto(spec);
    problem.errorCode = code;
    return code;
}

bool IsPlainNumberText(const std::string& text) {
    if (text.empty()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsDigit(c) || c == '.' || c == 'E' || c == 'e') continue;
        const bool afterExponent =
            (c == '+' || c == '-') && i >= 2 && (text[i - 1] == 'E' || text[i - 1] == 'e');
        if (!afterExponent) return false;
    }
    return true;
}

int FindOrAddSpec(Problem& problem, int kind, bool byValue, const std::string& typed, Real value) {
    problem.errorCode = kCompileOk;
    if (byValue) {
        // An infinity or a NaN would reach the solver as a boundary value or property;
        // it is refused like a number that does not convert.
        if (!std::isfinite(value)) {
            problem.errorCode = kCompileIllegal;
            return 0;
        }
        return FindOrAddSpecValue(problem, kind, value);
    }

    std::string text = typed.substr(0, std::min<std::size_t>(typed.size(), kSpecTextCapacity));
    std::erase(text, ' ');
    if (text.empty()) return 0;

    if (const int found = problem.specs.FindText(kind, text)) {
        // Compiling a shared expression again picks up a data file that was replaced
        // since. A plain number has nothing to refresh and stays a constant.
        BoundarySpec& entry = problem.specs[found];
        if (entry.constant == 0) CompileExpression(problem, entry.text, entry);
        return found;
    }

    BoundarySpec spec;
    spec.kind = static_cast<std::uint8_t>(kind);
    spec.text = text;
    int code = kCompileOk;
    if (IsPlainNumberText(text)) {
        const std::optional<Real> number = ParseDecimal(text);
        if (number) {
            spec.constant = 1;
            spec.value = *number;
        } else {
            code = kCompileIllegal;
        }
    } else {
        spec.constant = 0;
        spec.compiled[0] = 0;
        code = CompileExpression(problem, text, spec);
        if (code == kCompileOk && kind == kSpecValue && spec.dependsOnPotential != 0) {
            code = kCompileDependsOnPotential;
            problem.reporter().ShowStatusText(
                GetMessage(MessageId::CannotBeFunctionOf) + problem.vocabulary.variableLetter,
                StatusPanel::Info);
        }
        if (code == kCompileOk) {
            int evaluationError = 0;
            const Real trial = TrialEvaluation(problem, spec.compiled, evaluationError);
            if (evaluationError != 0) {
                code = evaluationError;
            } else {
                spec.value = trial;
            }
        }
    }
    if (code != kCompileOk) {
        problem.errorCode = code;
        return 0;
    }

    if (problem.specs.Full()) {
        problem.errorCode = kCompileTableFull;
        problem.reporter().ShowError(std::string(kMsgSpecTableFull));
        return 0;
    }
    try {
        const int index = problem.specs.Append(spec);
        problem.errorCode = kCompileOk;
        return index;
    } catch (const std::bad_alloc&) {
        problem.errorCode = kCompileNoMemory;
        problem.reporter().ShowError(std::string(kMsgSpecAllocationFailed));
        return 0;
    }
}

}  // namespace kova
