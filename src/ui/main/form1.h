#pragma once

#include "net/winsock.h"
#include "ui/connect/gatewaylink.h"
#include "widgets/singlewindow.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;
class TranscriptView;

class frmLogin;
class frmChannel;
class frmIP;
class frmHow;
class frmChatCom;
class Form2;
class frmSystem;

// The main chat window. It lives for the whole run, owns the one socket, the transcript and
// the input line, and opens every other window from its menu bar.
class Form1 : public QMainWindow {
    Q_OBJECT

public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // Handlers, named after their control and event.
    void Form_Load();
    void cmdSend_Click();
    void Text1_KeyPress(int KeyAscii);
    void timer1_timer();
    void Winsock1_DataArrival(qint64 bytesTotal);

    void mnuLogIn_Click();
    void mnuDis_Click();
    void mnuIP_Click();
    void mnuChannels_Click();
    void mnuKtx_Click();
    void mnuRWQN_Click();
    void mnuAsh_Click();
    void mnuExit_Click();

    void mnuCopy_Click();
    void mnuCut_Click();
    void mnuSelect_Click();
    void mnuClip_Click();
    void mnuClear_Click();

    void mnuAway_Click();
    void mnuDND_Click();
    void mnuSquelch_Click();
    void mnuUnsquelch_Click();
    void mnuJoin_Click();
    void mnuFind_Click();
    void mnuList_Click();
    void mnuKick_Click();
    void mnuBan_Click();
    void mnuUnban_Click();
    void mnuDesignate_Click();

    void mnuGen_Click();
    void mnuAbout_Click();
    void mnuSystem_Click();
    void mnuHow_Click();
    void mnuChat_Click();
    void mnuContact_Click();

    // The secondary windows, while they are open.
    frmLogin *loginWindow() const;
    frmChannel *channelWindow() const;
    frmIP *ipWindow() const;
    frmHow *howWindow() const;
    frmChatCom *chatComWindow() const;
    Form2 *aboutWindow() const;
    frmSystem *systemWindow() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    QAction *addMenuItem(QMenu *menu, const char *name, const QString &caption,
                         void (Form1::*handler)());
    // What a window that uses the socket is handed when it is opened.
    GatewayLink gatewayLink();
    // Tells the user, in the status line, what a socket call's result needs telling: that the
    // socket refused the call, or that some characters could not be sent as typed.
    void reportResult(const SocketResult &result);
    // A socket call's result in words: what was not done, and why. The one place for them.
    static QString resultText(const SocketResult &result);
    static void showResultBox(const SocketResult &result);
    void showConnectionState(int state);
    void showConnectionFailure(Winsock::Failure failure, const QString &detail);
    void setStatus(const QString &text);

    // The controls, reached from outside by their object names only.
    Winsock *Winsock1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label1 = nullptr;        // the time
    QLabel *Label2 = nullptr;        // the date
    QLabel *Image1 = nullptr;        // the banner
    TranscriptView *Text2 = nullptr; // the transcript
    QLineEdit *Text1 = nullptr;      // the input line
    QPushButton *cmdSend = nullptr;
    QTimer *Timer1 = nullptr;
    QLabel *m_statusLine = nullptr;
    // The clock's shown second and day, so that a tick that changes neither costs nothing.
    qint64 m_shownSecond = -1;
    qint64 m_shownDay = -1;

    SingleWindow<frmLogin> m_frmLogin;
    SingleWindow<frmChannel> m_frmChannel;
    SingleWindow<frmIP> m_frmIP;
    SingleWindow<frmHow> m_frmHow;
    SingleWindow<frmChatCom> m_frmChatCom;
    SingleWindow<Form2> m_Form2;
    SingleWindow<frmSystem> m_frmSystem;
};
