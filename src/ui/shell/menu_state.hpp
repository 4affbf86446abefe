// The menu bar as data: every item with its menu, caption and key, and the enabling,
// checking and captions as a plain function of the program's state. The main window
// only copies a MenuState onto its actions, so every rule is tested without a window.
#pragma once

#include <array>
#include <string>

#include "model/problem.hpp"

namespace kova::ui {

enum class Menu : int { File, Subject, Setup, Draw, Display, Specify, Run, View, Help, Count };

enum class Cmd : int {
    // File
    New,
    Open,
    Save,
    SaveAs,
    Print,
    PrinterSetup,
    CopyToClipboard,
    PasteFromClipboard,
    Quit,
    // Subject, in the subjects' menu order
    HeatTransfer,
    ExtendedSurfaces,
    ElectricCurrents,
    Electrostatics,
    Magnetostatics,
    BioHeat,
    PotentialFlow,
    PorousMedia,
    // Setup
    ScaleAndSize,
    Cartesian,
    Cylindrical,
    SteadyState,
    Transient,
    TemperaturesRelative,
    TemperaturesAbsolute,
    // Draw
    Undo,
    OutlineFree,
    OutlineCircular,
    AutoMesh,
    ReduceMesh,
    RepositionNodes,
    ElementLines,
    Subtract,
    Delete,
    RemoveMesh,
    NewText,
    SizeMoveTemplate,
    Group,
    Ungroup,
    // Display
    Zoom,
    ShowGrid,
    HideElementLines,
    HideNodePositions,
    ShowNodeNumbers,
    HidePatterns,
    HideBoundConditions,
    ShowText,
    ShowAxes,
    ShowTemplate,
    RefreshScreen,
    CenterAndSetDisplaySize,
    // Specify
    MaterialProperties,
    Generation,
    BoundaryConditions,
    InitialConditions,
    BloodProperties,
    // Run
    Check,
    Calculate,
    Continue,
    // View
    ViewInput,
    ViewValues,
    ViewValuesVsTime,
    ViewContours,
    ViewGradients,
    ViewFlows,
    ViewBalances,
    ViewFlowVsTime,
    ViewTable,
    ViewSummary,
    ProblemDescription,
    // Help
    GettingStarted,
    HelpIndex,
    Manual,
    Count
};
inline constexpr int kCmdCount = static_cast<int>(Cmd::Count);
inline constexpr int kMenuCount = static_cast<int>(Menu::Count);

struct MenuItemSpec {
    Cmd cmd;
    Menu menu;
    const char* caption;  // with its '&' where it has one
    const char* key;      // portable key text, "" for none; "New", "SaveAs", "Help" name
                          // the platform's standard keys
    bool separatorBefore;
};

// Every item in menu order.
const std::array<MenuItemSpec, kCmdCount>& MenuItems();
const MenuItemSpec& ItemSpec(Cmd cmd);
const char* MenuTitle(Menu menu);

struct ItemState {
    bool enabled = true;
    bool checked = false;
    bool visible = true;
    std::string caption;
    bool operator==(const ItemState&) const = default;
};

// The menu bar's state, with the memory that makes the rules incremental.
struct MenuState {
    std::array<ItemState, kCmdCount> items;
    std::array<bool, kMenuCount> menus{};
    int lastWinNo = -1;
    ProbTypeA lastSubject = ProbTypeA::Nada;
    SelectType lastWhatSelected = SelectType::Null;
    // While a run masks every item, what the items and menus were before it, given back
    // by the first update after the run.
    bool runMasked = false;
    std::array<bool, kCmdCount> enabledBeforeRun{};
    std::array<bool, kMenuCount> menusBeforeRun{};

    ItemState& operator[](Cmd c) { return items[static_cast<std::size_t>(c)]; }
    const ItemState& operator[](Cmd c) const { return items[static_cast<std::size_t>(c)]; }
    bool& menu(Menu m) { return menus[static_cast<std::size_t>(m)]; }
    bool menu(Menu m) const { return menus[static_cast<std::size_t>(m)]; }
};

// The state at program start: every caption as listed, every menu enabled, items of
// commands not built yet disabled.
MenuState InitialMenuState();

// What UpdateMenu looks at besides the problem.
struct MenuInputs {
    const Problem* problem = nullptr;
    int frontWindow = 1;  // 1 the input window, 2..9 the result windows
    bool clipboardHasPicture = false;
    bool hasFlowTable = false;  // the transient run computed nodal balances
    bool zoomed = false;
    bool templateSizing = false;
    bool running = false;       // a calculation runs on the worker
    bool groupCurrent = false;  // the selection is a stored group
    bool maskUnbuilt = true;    // commands not built yet stay disabled
};

// UpdateMenu: the new state from the previous one and the inputs.
MenuState UpdateMenu(MenuState state, const MenuInputs& in);

// The rules applied when a menu opens.
void OnSpecifyMenuOpen(MenuState& state, const MenuInputs& in);
void OnDrawMenuOpen(MenuState& state, const MenuInputs& in);
void OnDisplayMenuOpen(MenuState& state, const MenuInputs& in);
void OnViewMenuOpen(MenuState& state, const MenuInputs& in, bool descriptionExists);

// Whether the command is built yet; the others stay disabled whatever the rules say.
bool CommandAvailable(Cmd cmd);

}  // namespace kova::ui
