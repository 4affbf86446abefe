#include "expressions/decoded_program.hpp"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

#include "expressions/postfix.hpp"

namespace kova {
namespace {

// The number of values an operator takes from the stack; 0 for codes that are not
// operators.
int OperandCount(int code) {
    switch (code) {
        case kOpMultiply:
        case kOpDivide:
        case kOpAdd:
        case kOpSubtract:
        case kOpPower:
        case kOpMax:
        case kOpMin:
        case kOpMod:
            return 2;
        case kOpNegate:
        case kOpExp:
        case kOpLog:
        case kOpSin:
        case kOpCos:
        case kOpLn:
        case kOpSqrt:
        case kOpAbs:
        case kOpSquareWave:
        case kOpStep:
        case kOpTrunc:
            return 1;
        case kOpFile:
            return 4;
        case kOpIf:
            return 5;
        default:
            return 0;
    }
}

// Builds the steps of a program; a structural fault ends it with Fail.
class Decoder {
public:
    explicit Decoder(DecodedProgram& program) : m_p(program) {
        m_p.stepCount = 0;
        m_p.usesCoordinates = false;
        m_p.usesTime = false;
        m_p.reentrant = false;
        m_nextSlot = kFirstFreeSlot;
    }

    void Run(const CompiledForm& compiled) {
        const int n = ItemCode(compiled[0]);
        if (n < 0 || n > kCompiledSize - 1) return Emit(StepKind::Fail);
        int sp = 0;  // values on the stack before the current item
        for (int i = 1; i <= n; ++i) {
            const int code = ItemCode(compiled[static_cast<std::size_t>(i)]);
            if (code <= 0) {
                int slot;
                switch (code) {
                    case -1:
                        if (i == n) return Emit(StepKind::Fail);  // the number is cut off
                        slot = m_nextSlot++;
                        m_p.slots[static_cast<std::size_t>(slot)] =
                            compiled[static_cast<std::size_t>(++i)];
                        break;
                    case -2:
                        slot = kSlotPotential;
                        break;
                    case -3:
                        slot = kSlotFirstCoordinate;
                        m_p.usesCoordinates = true;
                        break;
                    case -4:
                        slot = kSlotSecondCoordinate;
                        m_p.usesCoordinates = true;
                        break;
                    case -5:
                        slot = kSlotTime;
                        m_p.usesTime = true;
                        break;
                    case -6:
                    case -7:
                    case -8:
                        slot = m_nextSlot++;
                        m_p.reentrant = true;
                        Emit(StepKind::Variable, slot, 0, code);
                        break;
                    default:  // 0, -9 and below are no items
                        return Emit(StepKind::Fail);
                }
                // An operand followed by one of the four arithmetic operators is applied
                // at once when there is a value below it to apply it to.
                if (i < n && sp >= 1) {
                    const int next = ItemCode(compiled[static_cast<std::size_t>(i + 1)]);
                    if (next >= kOpMultiply && next <= kOpSubtract) {
                        ++i;
                        EmitFused(next, slot);
                        continue;
                    }
                }
                if (sp == kCompiledSize - 1) return Emit(StepKind::Fail);
                ++sp;
                Emit(StepKind::Push, slot, sp - 1);
                continue;
            }

            // Operators: B is the top value, the others are below it.
            const int consumed = OperandCount(code);  // 0: not an item at all
            if (consumed == 0 || sp < consumed) return Emit(StepKind::Fail);
            const int at = sp - consumed + 1;  // stack position of the first operand
            switch (code) {
                case kOpMultiply:
                case kOpDivide:
                case kOpAdd:
                case kOpSubtract:
                    EmitBinary(code, at);
                    break;
                case kOpNegate:
                    Emit(StepKind::Negate);
                    break;
                case kOpPower:
                    Emit(StepKind::Power, 0, at);
                    break;
                case kOpIf:
                    Emit(StepKind::If, 0, at);
                    break;
                case kOpFile:
                    m_p.reentrant = true;
                    Emit(StepKind::File, 0, at);
                    break;
                default:
                    Emit(StepKind::Function, 0, at, code);
                    break;
            }
            sp -= consumed - 1;
        }
        Emit(sp == 1 ? StepKind::End : StepKind::Fail);
    }

private:
    // An operand applied at once with operator `op` (1..4): right after the push of an
    // operand, the two make one PushMul .. PushSub step.
    void EmitFused(int op, int slot) {
        Step* last =
            m_p.stepCount > 0 ? &m_p.steps[static_cast<std::size_t>(m_p.stepCount - 1)] : nullptr;
        if (last != nullptr && last->kind == StepKind::Push) {
            last->kind = static_cast<StepKind>(static_cast<int>(StepKind::PushMul) + op - 1);
            last->slot2 = static_cast<std::uint8_t>(slot);
            return;
        }
        static constexpr StepKind kFused[] = {StepKind::MulSlot, StepKind::DivSlot,
                                              StepKind::AddSlot, StepKind::SubSlot};
        Emit(kFused[op - 1], slot);
    }

    // One of the four arithmetic operators on the stack: right after a PushMul .. PushSub
    // it applies the pair to the value below it, MulMul .. SubSub.
    void EmitBinary(int op, int at) {
        Step* last =
            m_p.stepCount > 0 ? &m_p.steps[static_cast<std::size_t>(m_p.stepCount - 1)] : nullptr;
        const int pushed =
            last != nullptr ? static_cast<int>(last->kind) - static_cast<int>(StepKind::PushMul) + 1
                            : 0;
        if (pushed >= 1 && pushed <= 4 && last->at == at) {
            last->kind = static_cast<StepKind>(static_cast<int>(StepKind::MulMul) + (op - 1) * 4 +
                                               pushed - 1);
            return;
        }
        static constexpr StepKind kStack[] = {StepKind::Multiply, StepKind::Divide, StepKind::Add,
                                              StepKind::Subtract};
        Emit(kStack[op - 1], 0, at);
    }

    void Emit(StepKind kind, int slot = 0, int at = 0, int code = 0) {
        Step& s = m_p.steps[static_cast<std::size_t>(m_p.stepCount++)];
        s.kind = kind;
        s.slot = static_cast<std::uint8_t>(slot);
        s.at = static_cast<std::uint8_t>(at);
        s.code = static_cast<std::int8_t>(code);
        s.slot2 = 0;
    }

    DecodedProgram& m_p;
    int m_nextSlot = kFirstFreeSlot;
};

}  // namespace

void DecodeProgram(const CompiledForm& compiled, DecodedProgram& program) {
    Decoder(program).Run(compiled);
}

DecodedProgram& ProgramCache::Refill(const CompiledForm& compiled, std::size_t set, int used) {
    const int victim = 1 - m_recentWay[set];
    Entry& e = m_entries[set * kWays + static_cast<std::size_t>(victim)];
    e.key = &compiled;
    e.entries = used;
    std::memcpy(e.image.data(), compiled.data(), static_cast<std::size_t>(used) * sizeof(Real));
    DecodeProgram(compiled, e.program);
    ++m_decodes;
    m_recentWay[set] = static_cast<std::uint8_t>(victim);
    return e.program;
}

}  // namespace kova
