#pragma once

#include "core/Services.h"
#include "playback/MediaProber.h"
#include "playlist/Entry.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CDetachedCalls;
class CMessageTarget;
class CPlaylistReader;

// The playlist: rows in playing order and entries in insertion order, the current
// track and the marked (playing) entry, the Player A/B association and the rules
// for the next and previous track. It has no widgets: a view draws the rows and
// registers a redraw handler.
//
// Invariants: every row's id names an entry unless a later operation removed it;
// ids are never reused during a run; m_CurTrack is a row position (-1 = none) and
// is never changed by removing rows; the marked item is an entry id (-1 = none).
// Row icons are not stored: a row shows icon 1 when its entry was last opened in
// Player B, else 0 when in Player A, else 2.
class CPlaylistCtrl
{
public:
    enum Icon { ICON_PLAYER_A = 0, ICON_PLAYER_B = 1, ICON_NONE = 2 };
    // Begins the "Name" of a row kept from a playlist file with an unknown type.
    static constexpr const char* kUnknownTypeMark = "(unknown type) ";

    struct CRow
    {
        int32_t m_Id = 0;
        std::string m_Nr; // "%d." of the 1-based position
        std::string m_Name;
        std::string m_Time;
        // List states; they travel with the row when rows are sorted or moved.
        bool m_bSelected = false;
        bool m_bFocused = false;
        bool m_bDropHilited = false;
    };

    // The prober reads the title and length of files being added, off this thread:
    // a row shows its file name and "0:00:00" until the answer arrives. Null means
    // no probing (timed files keep their file name and "0:00:00").
    CPlaylistCtrl(const CServices& services, std::unique_ptr<CMediaProber> prober);
    ~CPlaylistCtrl(); // runs OnDestroy when it has not run yet
    CPlaylistCtrl(const CPlaylistCtrl&) = delete;
    CPlaylistCtrl& operator=(const CPlaylistCtrl&) = delete;

    // Marks the control initialised and runs LoadSettings (start-up rules).
    void Init(CMessageTarget* owner);
    // SaveSettings (values and "LastPLS.dat"), then destroys every entry. Idempotent.
    void OnDestroy();

    void LoadSettings();
    void SaveSettings();

    // Queries.
    bool IsInitialised() const { return m_bInitialised; }
    int32_t GetCurrentTrack() const { return m_bInitialised ? m_CurTrack : -1; }
    int GetTrackCount() const { return m_bInitialised ? GetRowCount() : -1; }
    std::string GetCurrentPath() const;
    std::string GetPathAt(int position) const;
    int GetPlayListIndx(const std::string& path) const;
    const std::string& GetStartFolder() const { return m_StartFolder; }
    std::string GetLastPlaylistPath() const;
    const std::string& GetDocumentTitle() const { return m_DocumentTitle; }

    // Rows and entries for the view and the list operations.
    int GetRowCount() const { return static_cast<int>(m_Rows.size()); }
    const CRow* GetRow(int position) const;
    Icon GetRowIcon(int position) const;
    int FindRowById(int32_t id) const;
    const CEntry* FindEntryById(int32_t id) const;
    const std::vector<std::unique_ptr<CEntry>>& GetEntries() const { return m_Entries; }
    int32_t GetMarkedItem() const { return m_MarkedItem; }
    int32_t GetPlayerEntry(int player) const;
    int32_t GetNextId() const { return m_NextId; }
    // Added files whose title and length have not arrived yet.
    int GetPendingProbes() const { return static_cast<int>(m_Probing.size()); }

    // The three flags.
    bool GetLoopList() const { return m_LoopList; }
    bool GetAutoSkipTrack() const { return m_AutoSkipTrack; }
    bool GetLoopSingleTrack() const { return m_bLoopSingleTrack; }
    void ToggleLoopList() { m_LoopList = !m_LoopList; }
    void ToggleAutoSkipTrack() { m_AutoSkipTrack = !m_AutoSkipTrack; }
    void ToggleLoopSingleTrack() { m_bLoopSingleTrack = !m_bLoopSingleTrack; }

    // Operations.
    // keepMissing: the row stays even when its file is not there (a restored
    // show whose drive is mounted late).
    bool AddEntry(const std::string& path, int position, const std::string& title, const std::string& length,
        bool keepMissing = false);
    // AddEntry for each row in order, with the files' existence checked off this
    // thread (a share that hangs never answers): the interface waits for the
    // answers while they come, but never kRowCheckWait without one; a row not
    // answered by then is added, and removed (logged as by AddEntry) if its
    // answer, when it comes, says the file is not there.
    struct CNewRow
    {
        std::string m_Path;
        std::string m_Title;
        std::string m_Length;
    };
    static constexpr std::chrono::milliseconds kRowCheckWait { 30 };
    void AddEntries(const std::vector<CNewRow>& rows, int position);
    // A record of a playlist file: AddEntry, but a file of an unknown type is
    // kept (logged, its row marked) rather than dropped. False for a missing
    // file of a known type.
    bool AddFileRecord(const std::string& path, int position, const std::string& title,
        const std::string& length, bool keepMissing = false);
    void RenumberItems(int fromRow = 0);
    void RefreshPlayerIcons();
    void NextTrack();
    void PrevTrack();
    void SetPlayerEntry(const std::string& path, int player, const std::string& title, uint32_t durationMs);
    void FocusPlayerEntry(int player);
    void SetMarkedItem(int position);
    void OnDoubleClick(int row);
    // Removes a row and its entry; m_CurTrack stays, the marked item is cleared
    // when it was this entry. False for a position outside the rows.
    bool RemoveRow(int position);
    void RemoveAll();

    // User operations (PlaylistCtrlEdit.cpp). Each does nothing before Init.
    void AddFiles(); // multi-select file dialog
    void AddFolderDialog(); // folder dialog, then AddFolder(folder, -1)
    // Every supported file of the tree; with position >= 0 each file is inserted
    // there, so they end up in reverse order.
    void AddFolder(const std::string& folder, int position);
    bool RemoveItem(int row) { return RemoveRow(row); }
    void RemoveSelected();
    void CropSelected();
    void ClearPlaylist();
    // Files dropped from the desktop on row (-1 = beside the rows).
    void DropFiles(std::vector<std::string> names, int row);

    // Selection and order (PlaylistCtrlRows.cpp).
    void SelectAll();
    void SelectItem(int row); // -1 clears the selection
    void InvertSelection();
    void SortByTitle();
    void SortByFileName();
    void SortByPath();
    void MoveItem(int from, int to, bool remove);
    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    int GetSelectedCount() const;
    int GetSelectionMark() const { return m_SelectionMark; }
    void SetSelectionMark(int row) { m_SelectionMark = row; }
    int GetFocusedRow() const;
    void SetFocusedRow(int row); // -1 = none
    // Title (or file name), four blanks and the length, at most 79 characters;
    // empty for a position outside the rows.
    std::string GetToolTipText(int row) const;

    // Row drag. Begins only over a column after "Player" (column >= 1).
    bool BeginRowDrag(int row, int column, int x, int y);
    void DragOver(int row); // the row under the cursor, -1 = none
    void EndRowDrag(); // moves the selected rows onto the drop row
    bool IsDragging() const { return m_bDragging; }
    int GetDragRow() const { return m_DragRow; }
    int GetDropRow() const { return m_DropRow; }

    // Playlist files.
    std::string OpenPlaylist(const std::string& path);
    void AddPlayList(const std::string& path, int position);
    bool SavePlaylist(const std::string& path); // true when a file was written

    // Redrawing: the handler runs after every visible change while redraw is on;
    // switching redraw back on runs it once.
    void SetRedrawHandler(std::function<void()> handler) { m_RedrawHandler = std::move(handler); }
    void SetRedraw(bool redraw);

private:
    void Redraw();
    // AddEntry with the file's existence known already (nullopt: look now).
    bool AddCheckedEntry(const std::string& path, int position, const std::string& title,
        const std::string& length, std::optional<bool> exists);
    // AddCheckedEntry, keeping a row of an unknown type (AddFileRecord).
    bool AddCheckedRecord(const std::string& path, int position, const std::string& title,
        const std::string& length, std::optional<bool> exists);
    static bool PathExists(const std::string& path);
    // The answers of row checks that came after AddEntries had added their rows.
    void OnLateRowChecks(const std::vector<int32_t>& ids, const std::vector<char>& exists);
    void OnProbed(int32_t id, const CProbeAnswer& answer);
    CEntry* FindFirstEntryByPath(const std::string& path) const;
    void KeepUnknownType(
        const std::string& path, int position, const std::string& title, const std::string& length);
    bool AddRecords(const std::string& playlistPath, int position, const CPlaylistReader& reader);
    void LoadTrack(bool play);
    void RemoveIds(const std::unordered_set<int32_t>& ids);
    bool MoveRow(int from, int to, bool remove); // MoveItem without renumbering
    void MoveRowsOnto(const std::vector<int32_t>& ids, int to);
    template <typename Key> void SortRows(Key key);

    bool m_bInitialised = false;
    bool m_bDestroyed = false;
    int32_t m_CurTrack = -1;
    bool m_AutoSkipTrack = true;
    bool m_LoopList = false;
    bool m_bLoopSingleTrack = false;
    int32_t m_MarkedItem = -1;
    int32_t m_NextId = 1;
    int32_t m_PlayerEntries[2] = { 0, 0 };

    std::vector<CRow> m_Rows; // playing order
    std::vector<std::unique_ptr<CEntry>> m_Entries; // insertion order
    std::unordered_map<int32_t, CEntry*> m_EntryById;

    CServices m_Services;
    CMessageTarget* m_pOwner = nullptr;
    std::unique_ptr<CMediaProber> m_Prober;
    std::unique_ptr<CDetachedCalls> m_pRowChecks;
    std::unordered_set<int32_t> m_Probing; // ids of entries waiting for their probe
    std::string m_StartFolder;
    std::string m_DocumentTitle;

    int m_SelectionMark = -1;
    bool m_bDragging = false;
    int m_DragRow = -1;
    int m_DropRow = -1;
    int m_DragOriginX = 0;
    int m_DragOriginY = 0;

    std::function<void()> m_RedrawHandler;
    bool m_bRedraw = true;
};
