#include "shell/menu_state.hpp"

#include <algorithm>
#include <initializer_list>

#include "editing/selection_clicks.hpp"
#include "model/subjects.hpp"

namespace kova::ui {
namespace {

using enum Cmd;

constexpr std::array<MenuItemSpec, kCmdCount> kItems{{
    {New, Menu::File, "&New", "New", false},
    {Open, Menu::File, "&Open", "", false},
    {Save, Menu::File, "&Save", "Ctrl+S", false},
    {SaveAs, Menu::File, "Save &as", "SaveAs", false},
    {Print, Menu::File, "&Print", "Ctrl+P", true},
    {PrinterSetup, Menu::File, "P&rinter Setup", "", false},
    {CopyToClipboard, Menu::File, "&Copy to Clipboard", "Ctrl+C", true},
    {PasteFromClipboard, Menu::File, "Paste &from Clipboard", "Ctrl+V", false},
    {Quit, Menu::File, "&Quit", "Ctrl+Q", true},
    {HeatTransfer, Menu::Subject, "&Heat Transfer", "", false},
    {ExtendedSurfaces, Menu::Subject, "E&xtended Surfaces", "", false},
    {ElectricCurrents, Menu::Subject, "Electric &Currents", "", false},
    {Electrostatics, Menu::Subject, "&Electrostatics", "", false},
    {Magnetostatics, Menu::Subject, "&Magnetostatics", "", false},
    {BioHeat, Menu::Subject, "&Bio-Heat Transfer", "", false},
    {PotentialFlow, Menu::Subject, "&Potential Flow", "", false},
    {PorousMedia, Menu::Subject, "P&orous Media Flow", "", false},
    {ScaleAndSize, Menu::Setup, "&Scale and Size", "", false},
    {Cartesian, Menu::Setup, "&Cartesian", "", true},
    {Cylindrical, Menu::Setup, "C&ylindrical", "", false},
    {SteadyState, Menu::Setup, "S&teady-state", "", true},
    {Transient, Menu::Setup, "T&ransient", "", false},
    {TemperaturesRelative, Menu::Setup, "Temperatures in &C", "", true},
    {TemperaturesAbsolute, Menu::Setup, "Temperatures in &K", "", false},
    {Undo, Menu::Draw, "&Undo", "Ctrl+U", false},
    {OutlineFree, Menu::Draw, "&Outline (free form)", "Ctrl+O", true},
    {OutlineCircular, Menu::Draw, "Outline (&circular)", "Shift+Ctrl+O", false},
    {AutoMesh, Menu::Draw, "&Auto Mesh", "Ctrl+A", false},
    {ReduceMesh, Menu::Draw, "Reduce &Mesh", "Ctrl+W", false},
    {RepositionNodes, Menu::Draw, "&Reposition Nodes", "Ctrl+R", false},
    {ElementLines, Menu::Draw, "&Element Lines", "Ctrl+E", false},
    {Subtract, Menu::Draw, "&Subtract", "Shift+Del", true},
    {Delete, Menu::Draw, "&Delete", "Del", false},
    {RemoveMesh, Menu::Draw, "Remove Mes&h", "", false},
    {NewText, Menu::Draw, "New &Text", "Ctrl+T", true},
    {SizeMoveTemplate, Menu::Draw, "Si&ze/Move Template", "", true},
    {Group, Menu::Draw, "&Group", "Ctrl+G", true},
    {Ungroup, Menu::Draw, "U&ngroup", "Ctrl+U", false},
    {Zoom, Menu::Display, "&Zoom", "Ctrl+Z", false},
    {ShowGrid, Menu::Display, "Show &Grid", "", false},
    {HideElementLines, Menu::Display, "Hide &Element Lines", "", false},
    {HideNodePositions, Menu::Display, "Hide &Node Positions", "", false},
    {ShowNodeNumbers, Menu::Display, "Show Node Nu&mbers", "", false},
    {HidePatterns, Menu::Display, "Hide &Patterns", "", false},
    {HideBoundConditions, Menu::Display, "Hide &Bound. Conditions", "", false},
    {ShowText, Menu::Display, "Show &Text", "", false},
    {ShowAxes, Menu::Display, "Show &Axes", "", false},
    {ShowTemplate, Menu::Display, "Show Te&mplate", "", false},
    {RefreshScreen, Menu::Display, "&Refresh Screen", "", false},
    {CenterAndSetDisplaySize, Menu::Display, "&Center and Set Display Size", "", true},
    {MaterialProperties, Menu::Specify, "&Material Properties", "", false},
    {Generation, Menu::Specify, "&Generation", "", false},
    {BoundaryConditions, Menu::Specify, "&Boundary Conditions", "", true},
    {InitialConditions, Menu::Specify, "&Initial Conditions", "", true},
    {BloodProperties, Menu::Specify, "Bl&ood Properties", "", true},
    {Check, Menu::Run, "Chec&k", "Ctrl+K", false},
    {Calculate, Menu::Run, "&Calculate", "F2", false},
    {Continue, Menu::Run, "C&ontinue", "F3", false},
    {ViewInput, Menu::View, "&Input", "", false},
    {ViewValues, Menu::View, "&Temperatures", "", false},
    {ViewValuesVsTime, Menu::View, "Temp. &vs. Time", "", false},
    {ViewContours, Menu::View, "&Contours", "", false},
    {ViewGradients, Menu::View, "&Gradients", "", false},
    {ViewFlows, Menu::View, "&Heat Flows", "", false},
    {ViewBalances, Menu::View, "&Nodal Energy Balances", "", false},
    {ViewFlowVsTime, Menu::View, "&Energy Flow vs Time", "", false},
    {ViewTable, Menu::View, "Tabular &Output", "", false},
    {ViewSummary, Menu::View, "Input &Data Summary", "", true},
    {ProblemDescription, Menu::View, "&Problem Description", "", true},
    {GettingStarted, Menu::Help, "&Getting Started", "", false},
    {HelpIndex, Menu::Help, "&Help Index", "F1", false},
    {Manual, Menu::Help, "KOVA &Manual (.pdf)", "", false},
}};

constexpr const char* kMenuTitles[kMenuCount] = {
    "&File", "&Subject", "Se&tup", "&Draw", "Dis&play", "Spe&cify", "&Run", "&View", "&Help"};

void Enable(MenuState& s, std::initializer_list<Cmd> cmds, bool on) {
    for (Cmd c : cmds) s[c].enabled = on;
}

constexpr Cmd kSubjectItems[] = {HeatTransfer,   ExtendedSurfaces, ElectricCurrents, Electrostatics,
                                 Magnetostatics, BioHeat,          PotentialFlow,    PorousMedia};
constexpr ProbTypeA kSubjects[] = {
    ProbTypeA::HeatTrans, ProbTypeA::ThinFins, ProbTypeA::ElecFieldC, ProbTypeA::ElecFieldNC,
    ProbTypeA::MagField,  ProbTypeA::Bio,      ProbTypeA::Potential,  ProbTypeA::Hydrodynamics};

// Caption with its '&' kept before the same letter when the text allows it.
std::string WithAccelerator(const std::string& text) {
    return text.empty() ? text : "&" + text;
}

void SetCaptionOrHide(MenuState& s, Cmd c, const std::string& text) {
    s[c].visible = !text.empty();
    if (!text.empty()) s[c].caption = WithAccelerator(text);
}

void SetUpSubjectMenus(MenuState& s, const Problem& p) {
    const SubjectVocabulary& v = p.vocabulary;
    for (std::size_t i = 0; i < std::size(kSubjectItems); ++i)
        s[kSubjectItems[i]].checked = kSubjects[i] == p.settings.subject;
    // Thin fins and the stream function have no axisymmetric form.
    const bool planarOnly = !CylindricalGeometryAvailable(p.settings.subject);
    s[Cylindrical].enabled = !planarOnly;
    if (planarOnly) s[Cylindrical].checked = false;
    s[Transient].enabled = v.transientEnabled;
    s[TemperaturesRelative].visible = v.temperatureItemsShown;
    s[TemperaturesAbsolute].visible = v.temperatureItemsShown;
    SetCaptionOrHide(s, Generation, v.generationItem);
    s[InitialConditions].visible = !v.initialValuesItem.empty();
    SetCaptionOrHide(s, BloodProperties, v.bloodItem);
    SetCaptionOrHide(s, ViewValues, v.valuesItem);
    SetCaptionOrHide(s, ViewValuesVsTime, v.valuesVsTimeItem);
    SetCaptionOrHide(s, ViewContours, v.contoursItem);
    SetCaptionOrHide(s, ViewGradients, v.gradientsItem);
    SetCaptionOrHide(s, ViewFlows, v.flowsItem);
    SetCaptionOrHide(s, ViewFlowVsTime, v.flowVsTimeItem);
}

void InitialValuesCaption(MenuState& s, const Problem& p) {
    const std::string& text = p.vocabulary.initialValuesItem;
    const std::size_t space = text.find(' ');
    const std::string rest = space == std::string::npos ? std::string() : text.substr(space);
    s[InitialConditions].caption = (p.settings.transient ? "&Initial" : "G&uess") + rest;
}

// Command set A: the Draw items that work only in the input window.
void CommandSetA(MenuState& s, const MenuInputs& in, SelectType state) {
    Enable(s, {Subtract, Delete}, false);
    s.menu(Menu::Draw) = true;
    const bool input = in.frontWindow == 1;
    Enable(
        s,
        {Undo, AutoMesh, OutlineFree, ElementLines, ReduceMesh, RepositionNodes, SizeMoveTemplate},
        input);
    if (input) {
        s[Delete].enabled = state != SelectType::None;
        const Problem& p = *in.problem;
        bool subtractable = false;
        if (state == SelectType::Frames && p.frameCount > 1 && p.selection.Count() > 0) {
            const int k = p.selection.items[0].selectNo;
            subtractable = p.ValidFrame(k) && p.frames[static_cast<std::size_t>(k)].subtracted == 0;
        }
        s[Subtract].enabled = subtractable;
    }
}

bool EverySelectedNodeEndsAtMostTwoSegments(const Problem& p) {
    for (const SelectRec& item : p.selection.items) {
        if (!p.nodes.Valid(item.selectNo)) continue;
        int count = 0;
        for (const LineSegment& s : p.lines)
            if (s.node1 == item.selectNo || s.node2 == item.selectNo) ++count;
        if (count > 2) return false;
    }
    return true;
}

void ApplySelectionRule(MenuState& s, const MenuInputs& in, SelectType state) {
    const Problem& p = *in.problem;
    auto menus = [&](bool subject, bool setup, bool draw, bool specify, bool run) {
        s.menu(Menu::Subject) = subject;
        s.menu(Menu::Setup) = setup;
        s.menu(Menu::Draw) = draw;
        s.menu(Menu::Specify) = specify;
        s.menu(Menu::Run) = run;
    };
    switch (state) {
        case SelectType::Frames:
            menus(true, true, true, true, true);
            Enable(s, {Delete, MaterialProperties, Generation}, true);
            s[BoundaryConditions].enabled = false;
            break;
        case SelectType::Lumps:
            menus(true, true, true, true, true);
            Enable(s, {Delete, MaterialProperties, Generation, BoundaryConditions}, true);
            s[BoundaryConditions].caption = "&Lump Information";
            break;
        case SelectType::Points:
            menus(true, true, true, true, true);
            s[BoundaryConditions].enabled = true;
            s[Delete].enabled = EverySelectedNodeEndsAtMostTwoSegments(p);
            Enable(s, {MaterialProperties, Generation}, false);
            s[BoundaryConditions].caption = "&Node Information";
            break;
        case SelectType::Lines:
            menus(true, true, true, false, true);
            s[Delete].enabled = true;
            break;
        case SelectType::Bounds:
            menus(true, true, true, true, true);
            s[BoundaryConditions].enabled = true;
            Enable(s, {Delete, MaterialProperties, Generation}, false);
            s[BoundaryConditions].caption = "&Boundary Conditions";
            break;
        case SelectType::None:
        case SelectType::LineErrors:
        case SelectType::NodeErrors:
        case SelectType::Templat:
            menus(true, true, true, false, in.frontWindow < 9);
            // In sizing mode Delete releases the picture, whenever there is one.
            s[Delete].enabled = state == SelectType::Templat && in.problem != nullptr &&
                                in.problem->templatePicture.Present();
            break;
        case SelectType::Temps:
        case SelectType::Contours:
        case SelectType::FluxPt:
            Enable(s,
                   {OutlineFree, ElementLines, Undo, AutoMesh, ReduceMesh, RepositionNodes, Delete},
                   false);
            menus(false, false, s.menu(Menu::Draw), false, false);
            Enable(s, {HideNodePositions, ShowNodeNumbers}, false);
            if (state != SelectType::Temps) Enable(s, {ShowAxes, HideBoundConditions}, false);
            break;
        case SelectType::Flow:
        case SelectType::Nodal:
            menus(false, false, true, false, false);
            Enable(s,
                   {Undo, OutlineFree, ElementLines, AutoMesh, ReduceMesh, RepositionNodes, Delete},
                   false);
            break;
        case SelectType::TempvsTime:
        case SelectType::FlowvsTime:
        case SelectType::TabOut:
        case SelectType::TableOut:
            menus(false, false, state != SelectType::TabOut, false, false);
            s.menu(Menu::Display) = false;
            s[Undo].enabled = false;
            break;
        default:  // Null, Help, TextM: no change
            break;
    }
}

bool Groupable(SelectType state, int frontWindow) {
    switch (state) {
        case SelectType::Frames:
        case SelectType::Lumps:
        case SelectType::Points:
        case SelectType::Lines:
        case SelectType::Bounds:
            return frontWindow == kInputWindowType;
        case SelectType::Nodal:
            return frontWindow == kNodalWindowType;
        default:
            return false;
    }
}

void FlagCaption(MenuState& s, Cmd c, bool flag, const char* on, const char* off) {
    s[c].caption = flag ? on : off;
}

}  // namespace

const std::array<MenuItemSpec, kCmdCount>& MenuItems() {
    return kItems;
}

const MenuItemSpec& ItemSpec(Cmd cmd) {
    return kItems[static_cast<std::size_t>(cmd)];
}

const char* MenuTitle(Menu menu) {
    return kMenuTitles[static_cast<int>(menu)];
}

bool CommandAvailable(Cmd cmd) {
    switch (cmd) {
        case Print:
        case PrinterSetup:
        case ViewValuesVsTime:
        case ViewFlowVsTime:
        case ViewTable:
        case ViewSummary:
        case GettingStarted:
        case HelpIndex:
        case Manual:
            return false;
        default:
            return true;
    }
}

MenuState InitialMenuState() {
    MenuState s;
    for (const MenuItemSpec& item : kItems) {
        ItemState& st = s[item.cmd];
        st.caption = item.caption;
        st.enabled = true;
    }
    s.menus.fill(true);
    return s;
}

MenuState UpdateMenu(MenuState s, const MenuInputs& in) {
    if (in.problem == nullptr) return s;
    const Problem& p = *in.problem;
    const ProblemSettings& st = p.settings;
    const SelectType state = p.selection.state;
    // The run's mask goes: items that no rule below touches come back as they were.
    if (s.runMasked) {
        for (std::size_t i = 0; i < s.items.size(); ++i) s.items[i].enabled = s.enabledBeforeRun[i];
        s.menus = s.menusBeforeRun;
        s.runMasked = false;
    }
    s.menus.fill(true);
    // The rules below disable; what they may disable starts enabled.
    Enable(s,
           {HideNodePositions, ShowNodeNumbers, ShowAxes, HideBoundConditions, Quit, New, Open,
            Save, SaveAs, CopyToClipboard, Check, Calculate, Continue, ViewInput},
           true);
    for (Cmd c : kSubjectItems) s[c].enabled = true;
    Enable(s, {ScaleAndSize, Cartesian, SteadyState, TemperaturesRelative, TemperaturesAbsolute},
           true);
    if (s.lastSubject != ProbTypeA::Nada) {
        s[Cylindrical].enabled = CylindricalGeometryAvailable(st.subject);
        s[Transient].enabled = p.vocabulary.transientEnabled;
    }
    s[BoundaryConditions].caption = "&Boundary Conditions";
    // 1. Paste.
    s[PasteFromClipboard].enabled = in.clipboardHasPicture;
    // 2. The View check marks follow the window in front.
    if (in.frontWindow != s.lastWinNo) {
        constexpr Cmd kViewItems[] = {ViewValues,   ViewContours,     ViewGradients,  ViewFlows,
                                      ViewBalances, ViewValuesVsTime, ViewFlowVsTime, ViewSummary};
        for (Cmd c : kViewItems) s[c].checked = false;
        if (in.frontWindow >= 2 && in.frontWindow <= 9)
            s[kViewItems[in.frontWindow - 2]].checked = true;
        s.lastWinNo = in.frontWindow;
    }
    // 4. Subject menus.
    if (st.subject != s.lastSubject) {
        SetUpSubjectMenus(s, p);
        s.lastSubject = st.subject;
    }
    // 5. Command set A.
    if (in.frontWindow >= 9) {
        s.menu(Menu::Draw) = false;
        s[BoundaryConditions].caption = "&Boundary Conditions";
    }
    CommandSetA(s, in, state);
    if (in.frontWindow >= 9) s.menu(Menu::Draw) = false;
    // 6. The selection state's rule (applied each time: menu enabling is recomputed
    // from scratch above, so the rule of the remembered state must hold again).
    SelectType rule = state;
    if (rule == SelectType::Null || rule == SelectType::Help || rule == SelectType::TextM)
        rule = s.lastWhatSelected;
    ApplySelectionRule(s, in, rule);
    if (p.nodes.Count() > 0 && state != SelectType::Null && state != SelectType::Help &&
        state != SelectType::TextM)
        s.lastWhatSelected = state;
    // 7. Check marks.
    s[Cartesian].checked = !st.cylindrical;
    s[Cylindrical].checked = st.cylindrical;
    s[SteadyState].checked = !st.transient;
    s[Transient].checked = st.transient;
    s[TemperaturesRelative].checked = !st.absoluteTemperatures;
    s[TemperaturesAbsolute].checked = st.absoluteTemperatures;
    const bool eng = st.unitSystem == Unittype::Eng;
    s[TemperaturesRelative].caption = eng ? "Temperatures in &F" : "Temperatures in &C";
    s[TemperaturesAbsolute].caption = eng ? "Temperatures in &R" : "Temperatures in &K";
    if (st.transient &&
        (state == SelectType::Frames || state == SelectType::Lumps || state == SelectType::Points))
        s[InitialConditions].enabled = true;
    InitialValuesCaption(s, p);
    // 8. The View items of results.
    const bool results = p.resultsCurrent;
    Enable(s,
           {ViewValues, ViewValuesVsTime, ViewContours, ViewGradients, ViewFlows, ViewBalances,
            ViewFlowVsTime, ViewSummary, ViewTable},
           results);
    if (results && !st.transient) Enable(s, {ViewValuesVsTime, ViewFlowVsTime}, false);
    if (results && st.transient && !in.hasFlowTable) s[ViewBalances].enabled = false;
    // 9. Captions that follow the display flags.
    FlagCaption(s, Zoom, in.zoomed, "Normal &Size", "&Zoom");
    FlagCaption(s, ShowGrid, st.displayGrid, "Hide &Grid", "Show &Grid");
    FlagCaption(s, ShowAxes, st.displayAxes, "Hide &Axes", "Show &Axes");
    FlagCaption(s, ShowText, st.displayText, "Hide &Text", "Show &Text");
    FlagCaption(s, HidePatterns, st.displayPatterns, "Hide &Patterns", "Show &Patterns");
    FlagCaption(s, HideElementLines, st.displayElementLines, "Hide &Element Lines",
                "Show &Element Lines");
    FlagCaption(s, HideNodePositions, st.displayNodes, "Hide &Node Positions",
                "Show &Node Positions");
    FlagCaption(s, ShowNodeNumbers, st.displayNodeNumbers, "Hide Node Nu&mbers",
                "Show Node Nu&mbers");
    FlagCaption(s, HideBoundConditions, st.displayBoundaryConditions, "Hide &Bound. Conditions",
                "Show &Bound. Conditions");
    FlagCaption(s, ShowTemplate, st.displayTemplate, "Hide Te&mplate", "Show Te&mplate");
    // 10. Template sizing.
    s[SizeMoveTemplate].enabled = s[SizeMoveTemplate].enabled && p.templatePicture.Present();
    s[SizeMoveTemplate].checked = in.templateSizing;
    // 11. Without frames or nodes.
    if (p.frameCount == 0) Enable(s, {AutoMesh, ElementLines, ReduceMesh}, false);
    if (p.nodes.Count() == 0 && state != SelectType::TextM) {
        Enable(s, {RepositionNodes}, false);
        // The template can be deleted in sizing mode without any drawing.
        if (state != SelectType::Templat) s[Delete].enabled = false;
        s.menu(Menu::Run) = false;
    }
    // 12. Groups: only of a kind some window's clicks look groups up for (the input
    // window's items, the balance window's nodes). A heat-flow path's segments go to the
    // path's own rules, so a group of them could never be found again.
    const bool groupCurrent = in.groupCurrent;
    s[Group].enabled = p.selection.Count() > 0 && !groupCurrent && Groupable(state, in.frontWindow);
    s[Ungroup].enabled = groupCurrent;
    // The undo caption names the newest snapshot.
    s[Undo].caption = p.undoList.empty() ? "&Undo" : "&Undo " + p.undoList.back().name;
    if (p.undoList.empty()) s[Undo].enabled = false;
    // While a calculation runs, nothing but the input view and Quit can be asked for.
    if (in.running) {
        if (!s.runMasked) {
            for (std::size_t i = 0; i < s.items.size(); ++i)
                s.enabledBeforeRun[i] = s.items[i].enabled;
            s.menusBeforeRun = s.menus;
            s.runMasked = true;
        }
        for (int m = 0; m < kMenuCount; ++m) s.menus[static_cast<std::size_t>(m)] = false;
        s.menu(Menu::File) = true;
        for (ItemState& item : s.items) item.enabled = false;
        s[Quit].enabled = true;
    }
    // Commands of later work stay disabled.
    if (in.maskUnbuilt)
        for (const MenuItemSpec& item : kItems)
            if (!CommandAvailable(item.cmd)) s[item.cmd].enabled = false;
    return s;
}

void OnSpecifyMenuOpen(MenuState& s, const MenuInputs& in) {
    if (in.problem == nullptr) return;
    InitialValuesCaption(s, *in.problem);
}

void OnDrawMenuOpen(MenuState& s, const MenuInputs& in) {
    if (in.problem == nullptr || in.frontWindow != 1 || in.running) return;
    const Problem& p = *in.problem;
    s[RemoveMesh].enabled = p.frameCount > 0 && CommandAvailable(RemoveMesh);
    s[Undo].caption = p.undoList.empty() ? "&Undo" : "&Undo " + p.undoList.back().name;
    s[Undo].enabled = !p.undoList.empty() && s.menu(Menu::Draw);
}

void OnDisplayMenuOpen(MenuState& s, const MenuInputs& in) {
    if (in.problem == nullptr) return;
    s[CenterAndSetDisplaySize].enabled = in.frontWindow == 1 && !in.zoomed && !in.running &&
                                         in.problem->settings.activeNodeCount > 0;
}

void OnViewMenuOpen(MenuState& s, const MenuInputs& in, bool descriptionExists) {
    s[ProblemDescription].enabled = descriptionExists && !in.running;
}

}  // namespace kova::ui
