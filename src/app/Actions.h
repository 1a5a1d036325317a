#pragma once

class QAction;
class QTimer;

namespace zk {

// The window's actions, each named as its object. Menu items are filled from
// the menu tables, which fail to compile when one of these has no item.
struct Actions {
    // Main menu.
    QAction *N1, *MnLoadFromFile, *MnLoadFromBuffer, *MnRecentBooks, *MnSaveEdit, *MnClearEdit,
        *MnExit;
    QAction *N2, *N13, *N14, *N15, *N44, *MnPictClip, *MnShowPicture;
    QAction *N3, *MnShowTimeAndSpeed, *MnShowTimeOfReading, *MnShowTimeOfWork, *MnShowSpeedInSigns,
        *MnShowSpeedInWords;
    QAction *MnEditFont, *MnEditColor, *MnFulScreen, *MnSetView, *MnJournal, *MnExercises,
        *MnSchulte;
    QAction *N22, *MnReactOnSigns, *MnPause, *MnWithoutPause, *MnShortPause, *MnLongPause,
        *MnSmartPause, *MnDelMin, *MnReadNonStop, *MnReactOnFocus, *MnRemAll, *N28;
    QAction *MnCheckUnderstanding, *MnSpeedLadder;
    // Options that change reading only when on.
    QAction *MnLongWords, *MnRampUp, *MnFocusLetter, *MnContextOnStop, *MnFocusColor;
    QAction *MnShowEdit, *MnHideEdit, *N4, *N34, *N35, *N36, *N5, *MnHelp;
    // The display's pop-up menu.
    QAction *PumFile, *N16, *N19, *N58, *N59, *N61, *PumStart, *PumStop, *PumFont, *PumBackGround;
    QAction *PumTumes, *PumDelMin, *PumReadNonStop, *PumReactOnFocus, *PumReactOnSigns, *PumPause,
        *PumWithoutPause, *PumShortPause, *PumLongPause, *PumSmartPause;
    QAction *N40, *Pum34, *Pum35, *Pum36, *PumShowEdit, *PumHideEdit, *PumFullScreen, *PumWindow,
        *PumJournal, *PumExercises, *PumSchulte, *PumExit;
    QAction *PumSentenceBack, *PumSentenceForward, *PumParagraphBack, *PumParagraphForward;
    QAction *PumCheckUnderstanding, *PumSpeedLadder, *PumLongWords, *PumRampUp, *PumFocusLetter,
        *PumContextOnStop;
    // The statistics bar's pop-up menu.
    QAction *PumShowTimeAndSpeed, *PumShowTimeOfWork, *PumShowTimeOfReading, *PumShowSpeedInSigns,
        *PumShowSpeedInWords;
    // The editor's pop-up menu.
    QAction *N24, *PumCopy, *PumCut, *PumPaste, *N29, *N31, *N38, *pum1;
    // Commands without a menu item of their own.
    QAction *ActLocateSelStart, *ActBtStart, *ActBtStop, *ActBtStartFull, *ActBtStopFull,
        *ActBeginToCount, *ActClose, *ActMaxLength2, *ActHideEdit, *ActLoadFromFile, *ActCheckLines,
        *ActFulScreen, *ActGoToStart, *ActSetFont, *ActHelp, *actmaxlength1, *ActShowEdit,
        *ActStartStop, *ActSaveEdit;
    QAction *ActSentenceBack, *ActSentenceForward, *ActParagraphBack, *ActParagraphForward;
};

// The window's timers, each named as its object.
struct Timers {
    QTimer *t1;         // reading steps
    QTimer *T2;         // reading time and speeds
    QTimer *timer1;     // working time
    QTimer *TMaxLength; // row capacity, measured once the display has settled
    QTimer *TEditOn;    // the editor shown again at start
};

} // namespace zk
