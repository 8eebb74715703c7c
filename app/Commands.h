#pragma once

/// Command identifiers of the main window's menu items, kept on each item's QAction
/// (QAction::data) so that the menu can be checked and driven by identifier.
enum class Command : int {
    Cancel = 2, ///< Esc or the close box of the main window
    About = 104,
    Exit = 105,
    OpenBigDTable = 130,
    Save = 131,
    SaveAs = 132,
    Close = 133,
    ProcessData = 135,
    Window = 136,
    ShowReport = 138,
    HideReport = 139,
    Debug = 142,
    SetCalibration = 143,
    SetTargetLength = 144,
    OpenSmallDTable = 147,
    CloseAll = 150,
    Properties = 152,
    ProcessOptions = 153,
    OpenGeneFile = 154,
    ExportFasta = 155,
    OpenSummary = 160,    ///< opens the summary page of the last run
    SetKnownMotifs = 161, ///< chooses the file of known motifs the runs compare with
    SetBackground = 162,  ///< chooses what stands for the genome: the big file, a model, shuffles
};
