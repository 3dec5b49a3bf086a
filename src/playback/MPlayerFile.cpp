// CMPlayer: the medium's file, looked at before the graph gets it. With
// asynchronous opens this runs on a detached thread: a share that hangs never
// returns from stat or read, and must hold neither the interface nor quitting.
#include "playback/MPlayer.h"

#include "core/DetachedCalls.h"
#include "core/Messages.h"
#include "playback/Id3Tag.h"
#include "playback/MediaFile.h"

bool CMPlayer::StartFileCheck(const std::string& path)
{
    // The file name until the tag has been read; nobody shows it before the open ends.
    m_Title = MediaFile::ShortName(path);
    m_FileName = path;
    // The bound covers the check too: a share that hangs fails the open in time.
    StartOpenTimer(kPrerollTimeout);
    if (!m_pChecks)
        m_pChecks = std::make_unique<CDetachedCalls>();
    const uint64_t serial = ++m_CheckSerial;
    // The work itself never touches the player: it may outlive it.
    const bool started = m_pChecks->Start([this, serial, path]() -> CDetachedCalls::Done {
        FileCheck check = CheckFile(path);
        return [this, serial, check = std::move(check)] { OnFileChecked(serial, check); };
    });
    if (started)
        return true;
    return FinishOpen(false,
        "Too many file checks wait for a file system that does not answer: " + MediaFile::NameForLog(path),
        {});
}

void CMPlayer::OnFileChecked(uint64_t serial, const FileCheck& check)
{
    if (serial != m_CheckSerial || m_GraphState != GRAPH_OPENING)
        return; // a newer open, a close or the open's bound came first
    CId3Tag::ReportFileError(m_pUi, check.tagError);
    if (!check.title.empty())
        m_Title = check.title;
    std::string error = check.problem;
    std::string audioDevice;
    GstStateChangeReturn result = GST_STATE_CHANGE_FAILURE;
    // The preroll's end comes through the bus, within the bound already running.
    if (error.empty() && StartRender(m_FileName, true, error, audioDevice, result))
        return;
    m_OpenError = error;
    if (m_pOwner)
        m_pOwner->SendMessage(WM_GRAPHNOTIFY, 0, 0);
}

CMPlayer::FileCheck CMPlayer::CheckFile(const std::string& path)
{
    FileCheck check;
    check.title = TagTitle(path, check.tagError);
    std::string local = path;
    if (IsFileUri(path)) {
        GstPtr<gchar> name(g_filename_from_uri(path.c_str(), nullptr, nullptr));
        if (!name)
            return check; // StartRender names the address
        local = name.get();
    }
    if (std::string problem = MediaFile::Check(local); !problem.empty())
        check.problem = problem + ": " + MediaFile::NameForLog(path);
    return check;
}

void CMPlayer::SetTitle(const std::string& path)
{
    m_FileName = path;
    std::string tagError;
    m_Title = TagTitle(path, tagError);
    CId3Tag::ReportFileError(m_pUi, tagError);
    if (m_Title.empty())
        m_Title = MediaFile::ShortName(path);
}

std::string CMPlayer::TagTitle(const std::string& path, std::string& tagError)
{
    tagError.clear();
    const std::string name = MediaFile::ShortName(path);
    const size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || name.compare(dot, std::string::npos, ".mp3") != 0
        || IsStreamAddress(path))
        return {};
    CId3Tag tag;
    if (tag.Read(path, tagError) && !tag.m_Artist.empty() && !tag.m_Title.empty())
        return tag.m_Artist + " - " + tag.m_Title;
    return {};
}
