#pragma once

#include "app/NodeImageInformation.h"
#include "app/PanelControls.h"
#include "imagefilter/Bitmap.h"
#include "media/ChildProcess.h"
#include "media/ResultCheck.h"
#include "media/Transcoder.h"
#include "projector/FramePlace.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QToolButton;
class QUndoStack;
class Dialogs;
class DoubleSlider;
class MainWindow;
class PreviewImageView;
class View_Cut_Range;
class View_Presets_Thumbnails;
class Window_Unique_Progress;
namespace lookfiles {
struct Setting;
}
namespace views {
class PreviewPlayback;
}

// The application controller: the one owner of all state and the target of
// every command. Its member functions are all defined in src/app, in files
// named by what they do (each group below names its files). Widgets in
// src/app/widgets reach it through AppDelegate::shared(), as the
// application's delegate.
class AppDelegate final : public QObject
{
    Q_OBJECT

public:
    explicit AppDelegate(Dialogs& dialogs, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The application's delegate (the most recently created controller).
    static AppDelegate* shared();

    // Ends the process with the given status; tests replace it to watch.
    std::function<void(int)> exitProcess;
    // Free bytes on the disk holding a folder (-1 when unknown); tests
    // replace it to play a full disk.
    std::function<qint64(const QString&)> freeBytes;
    // Why a written MP4 is not what was expected (empty when whole); tests
    // whose transcoder writes no real video replace it.
    std::function<QString(const QString&, const media::ExpectedResult&)> resultCheck;
    // How long an export step's transcoder may print nothing before it is
    // taken for hung; tests shorten it.
    int transcoderSilenceLimitMs = media::kStepSilenceLimitMs;

    Dialogs& dialogs() { return dialogs_; }

    // ---- Application shell (AppDelegate.cpp, WindowWiring.cpp) --------------
    // Takes the window's widgets as the controller's references and connects
    // every menu command and control action.
    void awakeFromNib(MainWindow* mainWindow);
    void applicationDidFinishLaunching();
    void RemoveAllContentInFolder(const QString& folder);
    static QSizeF windowWillResize(QSizeF proposed);
    static bool applicationShouldTerminateAfterLastWindowClosed() { return true; }
    void windowWillClose();
    void applicationWillTerminate();
    void OnMenuQuit();
    void Terminate_App();
    void OnMenuAppHomePage();
    void OnMenuCompanyHomePage();
    void OnMenuPrivacyPolicy();
    void OnMenuSupportTicket();
    void Fill_Presets();

    // ---- Transcoder runs (ProbeVideo.cpp, ExportDriver.cpp) -----------------
    // Runs the transcoder with its standard input closed and returns all it
    // printed (standard output and error together) as UTF-8; empty text when
    // it cannot be started.
    QString runTranscoder(const QStringList& arguments);
    // Runs the transcoder with two pipes delivering to outData / errData and
    // its end to terminatedNotice, and waits in a nested event loop until it
    // has ended. A run silent for transcoderSilenceLimitMs is ended as hung.
    enum class RunEnd { ExitedWell, Failed, Silenced };
    RunEnd runTranscoderAndWait(const QStringList& arguments);

    // ---- Probing and opening (ProbeVideo.cpp, OpenVideo.cpp) ----------------
    bool Get_Duration(NodeImageInformation& record);
    bool Get_FPS(NodeImageInformation& record);
    static std::int64_t Return_Seconds_From_Duration_Str(const QString& text);
    static std::int64_t Return_Seconds_From_VOB_Duration_Str(const QString& text);
    void OnOpen();
    // Opens `path` as the Open command does once its panel has chosen it: the
    // probes, their alerts, the new record, the title. Also used for a drop.
    void Open_Video_File(const QString& path);
    void TimerSetInitialThumbnail();
    QImage Generate_Thumbnail(const QString& timeText);

    // ---- Effect chain and controls (ImageHelpers.cpp, EffectControls.cpp) ---
    static imagefilter::Bitmap CGImageRefFromImage(const QImage& image);
    static QImage imageFromCGImageRef(const imagefilter::Bitmap& bitmap);
    static QImage imageVintage(const imagefilter::Bitmap& source,
                               const NodeImageInformation& record,
                               const projector::FramePlace& place = {});

    // The part of a setting's row that the user changed.
    enum class SettingPart {
        Check,
        Slider,
        List,
    };
    // A user's change of one of the setting's controls (PanelControls.cpp):
    // the open record takes the control's value, a slider's label follows,
    // the preview redraws and the look's undo history gets one step (the moves
    // of one slider drag merge into one). The handlers below forward to it.
    void Change_Setting(const lookfiles::Setting& setting, SettingPart part);
    // Each row's controls in the table's order, found once when wired.
    std::vector<app::RowControls> settingControls;

    void OnChangeChrome();
    void OnChangeInstant();
    void OnChangeProcess();
    void OnChangeSepia();
    void OnChangeCheckGamma();
    void OnChangeCheckExposure();
    void OnchangeCheckNoise();
    void OnChangeCheckVignette();
    void OnChangeCheckLight();
    void OnChangeBrightness();
    void OnChangeContrast();
    void OnChangeSaturation();
    void OnChangeGamma();
    void OnChangeExposure();
    void OnChangeRedBalance();
    void OnChangeGreenBalance();
    void OnChangeBlueBalance();
    void OnChangeNoise();
    void OnChangeVignette();
    void OnChangeLight();
    void Apply_Preset_User_Choice(std::uint64_t presetNumber);
    void OnReset();
    void Apply_Reset();
    void Enable_Vintage_Controls(bool enabled);

    // ---- The panel's Projector group (ProjectorControls.cpp) ---------------
    void OnChangeCheckWeave();
    void OnChangeWeave();
    void OnChangeCheckFlicker();
    void OnChangeFlicker();
    void OnChangeCadence();
    void OnChangeGate();
    void OnChangeCheckHalation();
    void OnChangeHalation();
    void OnChangeHalationRadius();
    void OnChangeGrainSize();
    void OnChangeCheckOldSound();
    void OnChangeOldSound();
    // The group's controls from the open record (part of Apply_Reset).
    void Sync_Projector_Controls();

    // ---- The panel's Film stock row (StockControls.cpp) ---------------------
    // Connects the row's buttons (its strength slider is wired as a setting).
    void Wire_Stock_Controls(MainWindow* mainWindow);
    // The stock button: a .cube file chosen in the open panel becomes the
    // look's stock; a file that cannot be used gives an alert and changes nothing.
    void OnChooseStock();
    // The row's None button: no stock.
    void OnClearStock();
    void OnChangeStockStrength();
    // The row's controls from the open record (part of Apply_Reset).
    void Sync_Stock_Controls();

    // ---- The row of eras (EraControls.cpp) ----------------------------------
    // Makes one button per era in the row above the strip and connects it.
    void Wire_Era_Controls(MainWindow* mainWindow);
    // The era's whole look becomes the open video's, as one undo step.
    void Apply_Era(std::size_t index);
    // Each era's button shows the preview's frame in that era's look.
    void Draw_Era_Thumbnails();

    // ---- Look files (LookFiles.cpp) -----------------------------------------
    // File > Export Look...: the open video's look written as a look file.
    void OnExportLook();
    // File > Import Look...: a look file's look becomes the open video's, as
    // one undo step; a bad file is named in an alert and changes nothing.
    void OnImportLook();

    // ---- Preview and timeline (PreviewPosition.cpp, PresetThumbnails.cpp,
    //      CutRange.cpp, ImageHelpers.cpp) ------------------------------------
    void OnChangePos();
    // The position slider's action: the time shown at once, the frame
    // extracted by OnChangePos once the burst of moves has been handled.
    void Request_Preview_Frame();
    // The time of a slider position (integer steps) while it is dragged.
    void Show_Dragged_Position(int position);
    void TimerPresetThumbnailsRoutine();
    // Where the preview frame lies for `look`: its number in the video at the
    // export's rate, held by the look's cadence as the export holds it, so
    // the preview and the thumbnails draw the random effects of that frame.
    projector::FramePlace Preview_Frame_Place(const effects::Look& look) const;
    void Update_Crop_Menor();
    void Update_Crop_Maior();
    void TimerDragCropMenorRoutine();
    void TimerDragCropMaiorRoutine();
    static QRectF return_Best_Fit_Frame(QSizeF imageSize, QSizeF frameSize);

    // ---- Playback in the preview (Playback.cpp) -----------------------------
    // The Play/Pause button's and the Space bar's action.
    void OnPlayPause();
    // Plays from the position slider to the kept range's end, then the kept
    // range again; false (with an alert when there is a reason to give) when
    // nothing can be played.
    bool Start_Playback();
    // Stops playing and shows the frame it stopped on as the still preview:
    // the position slider moves to that frame and OnChangePos runs once.
    void Pause_Playback();
    // Stops playing and leaves the window as it is (the window is closing).
    void Stop_Playback();
    bool isPlaying() const;
    // The playback, made and connected at first use.
    views::PreviewPlayback& Playback();
    // The playing frame's position in percent of the duration, while playing.
    std::optional<float> playheadPercent() const;
    static QImage Scale_Image(const QImage& image, QSizeF size);

    // ---- Export (ExportDriver.cpp, ExportSpace.cpp, Export*Steps.cpp) -------
    void OnSave();
    void TimerWatermarkVideoRoutineStep1();
    void TimerWatermarkVideoRoutineStep2();
    void TimerWatermarkVideoRoutineStep3();
    void TimerWatermarkVideoRoutineStep4();
    void TimerWatermarkVideoRoutineStep5();
    void TimerWatermarkVideoRoutineStep6();
    void TimerWatermarkVideoRoutineStep7();
    // The end of the current export step's transcoder run (the termination notice).
    void terminatedNotice();
    void CancelWatermarking();
    void OnCancel();
    // What the running step's transcoder printed on standard error, then output.
    void errData(const QByteArray& data);
    void outData(const QByteArray& data);

    // ---- One-shot timers in weak slots --------------------------------------
    using TimerSlot = QPointer<QTimer> AppDelegate::*;
    using Routine = void (AppDelegate::*)();
    // Stops the slot's timer, if any, and lets it go; the slot reads empty.
    void invalidateTimer(TimerSlot slot);
    // Invalidates the slot's timer and arms a new precise one-shot timer that
    // calls `routine`; once it fires, the slot reads empty.
    void scheduleTimer(TimerSlot slot, double seconds, Routine routine);

    // ---- Fields ---------------------------------------------------------------
    QPointer<MainWindow> window;
    QString s_Output_Folder;
    QString s_Thumbnails_Folder;
    QString s_Output_Folder_Final;
    QStringList arrayImages;
    QString sffmpegPath;
    VideoRecord obj_Video;
    QList<VideoRecord> array_Presets;
    QPointer<PreviewImageView> viewPreview;
    QPointer<DoubleSlider> sliderPos;
    QPointer<QCheckBox> checkChrome;
    QPointer<QCheckBox> checkInstant;
    QPointer<QCheckBox> checkProgress;
    QPointer<QLabel> labelCurrentTime;
    QPointer<QCheckBox> checkSepia;
    QPointer<DoubleSlider> sliderBrightness;
    QPointer<QLabel> labelBrightness;
    QPointer<DoubleSlider> sliderContrast;
    QPointer<QLabel> labelContrast;
    QPointer<DoubleSlider> sliderGamma;
    QPointer<QLabel> labelGamma;
    QPointer<QCheckBox> checkGamma;
    QPointer<DoubleSlider> sliderExposure;
    QPointer<QLabel> labelExposure;
    QPointer<QCheckBox> checkExposure;
    QPointer<DoubleSlider> sliderSaturation;
    QPointer<QLabel> labelSaturation;
    QPointer<QCheckBox> checkNoise;
    QPointer<DoubleSlider> sliderNoise;
    QPointer<QLabel> labelNoise;
    QPointer<DoubleSlider> sliderVignette;
    QPointer<QLabel> labelVignette;
    QPointer<QCheckBox> checkVignette;
    QPointer<DoubleSlider> sliderRedBalance;
    QPointer<QLabel> labelRedBalance;
    QPointer<DoubleSlider> sliderGreenBalance;
    QPointer<QLabel> labelGreenBalance;
    QPointer<DoubleSlider> sliderBlueBalance;
    QPointer<QLabel> labelBlueBalance;
    QPointer<QCheckBox> checkLight;
    QPointer<DoubleSlider> sliderLight;
    QPointer<QLabel> labelLight;
    QPointer<QPushButton> btnReset;
    QPointer<QPushButton> btnPlayPause;
    QPointer<QTimer> timerCreatePresetThumbnails;
    QImage imgPresetThumbnails;
    std::uint64_t u_Preset_Index = 0;
    QSizeF sizePresetThumbnailsImageStrip{0.0, 0.0};
    QPointer<View_Presets_Thumbnails> viewPresets;
    QPointer<QScrollArea> scrollViewPresets;
    QPointer<QTimer> timerSetInitialThumbnail;
    std::int64_t i_Current_Image_Index = 0;
    std::uint8_t m_b_Saving = 0;
    std::uint8_t m_b_Cancel_Saving = 0;
    QPointer<QTimer> timerWatermarkVideoStep1;
    QPointer<QTimer> timerWatermarkVideoStep2;
    QPointer<QTimer> timerWatermarkVideoStep3;
    QPointer<QTimer> timerWatermarkVideoStep4;
    QPointer<QTimer> timerWatermarkVideoStep5;
    QPointer<QTimer> timerWatermarkVideoStep6;
    QPointer<QTimer> timerWatermarkVideoStep7;
    QString s_Dest_Video_Path;
    std::uint64_t u_Duration_Segment_in_Seconds = 0;
    std::uint64_t u_Type_Progress = 0;
    std::uint8_t terminated = 0;
    QPointer<Window_Unique_Progress> windowUniqueProgress;
    float f_Cut_Percent_Menor = 0.0f;
    float f_Cut_Percent_Maior = 0.0f;
    QPointer<View_Cut_Range> viewCutBar;
    QPointer<QTimer> timerDragCropMenor;
    QPointer<QTimer> timerDragCropMaior;
    // The pending extraction of the position slider's frame (coalesced moves),
    // and where and from which video the frame shown was taken.
    QPointer<QTimer> timerPreviewFrame;
    float f_Preview_Frame_Percent = -1.0f;
    QString s_Preview_Frame_Video;
    // The number of the frame shown (the first at or after its time).
    std::int64_t i_Preview_Frame_Number = 0;

    // The export's running transcoder, so that a cancel can stop it.
    QPointer<media::ChildRun> currentTranscoder;

    // export additions
    // Counts the exports begun: a step whose wait ends after its export was
    // cancelled, or after another export began, arms nothing.
    std::uint64_t u_Export_Serial = 0;
    // What the last step's transcoder wrote to standard error (as much as a
    // child's report keeps), read by steps that need its reason for failing.
    QString transcoderReport;
    // The final file while Step 7 writes it: a failed or cancelled export
    // removes it, so no half-written video is left in the user's folder.
    QString s_Unfinished_Result;
    // The frames the running export keeps, by number at its rate (frame n at
    // n / rate): i_Kept_Frame_Count of them from i_Kept_First_Frame, or all
    // of them when the count is -1 (nothing is cut). Set by Step 1.
    std::int64_t i_Kept_First_Frame = 0;
    std::int64_t i_Kept_Frame_Count = -1;

    // Plays the open video in the preview; made at the first Play.
    QPointer<views::PreviewPlayback> playback;

    // The Film stock row's file button (its name, or None).
    QPointer<QPushButton> btnStock;

    // The row of eras and its buttons, in the eras' order.
    QPointer<QWidget> barEras;
    QList<QPointer<QToolButton>> btnEras;

    // ---- Keys, undo and compare (WindowKeys.cpp, LookHistory.cpp) ----------
    // The Edit menu, the window's keys, the Compare button, the tab order and
    // the focus ring.
    void Wire_Window_Keys(MainWindow* mainWindow);
    // The look's undo history, made at first use.
    QUndoStack& Look_History();
    // I and O: the kept range starts (ends) at the position shown or playing.
    void Set_Cut_Start_Here();
    void Set_Cut_End_Here();
    // Comma and period: pauses, then shows the frame before (-1) or after (1).
    void Step_Frame(int direction);
    // While set, the still preview shows the frame without the look.
    void Set_Comparing(bool comparing);

    // Keys, undo and compare additions
    bool b_Comparing = false;
    QPointer<QUndoStack> undoLook;
    QPointer<QPushButton> btnCompare;

    // ---- Window texts and commands (WindowInfo.cpp, PreviewPosition.cpp,
    //      AppDelegate.cpp) ----------------------------------------------------
    // The open video's length, kept range and properties in their labels, or
    // the hint that a video can be opened while none is.
    void Show_Video_Info();
    // While playing, the position slider stands at the shown frame.
    void Follow_Playhead();
    void OnMenuAbout();
    // Opens a web page in the browser; says so when none can be started.
    void Open_Web_Page(const QString& address);
    // Where the open panel starts: the folder of the video opened last in
    // this run, else the user's videos folder, else home.
    QString Open_Panel_Folder() const;

private:
    // The length that the position slider and the kept range are percents of.
    double Playback_Reference_Seconds() const;
    // The time of the frame playback shows (or showed last).
    std::optional<double> Playback_Shown_Seconds() const;
    void Playback_Frame_Shown(long long frame);
    void Playback_Failed(const QString& error);

    Dialogs& dialogs_;
};
