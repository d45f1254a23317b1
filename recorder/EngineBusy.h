#pragma once
// Inside the main window only: while one lives, engine messages that arrive are
// held back and posted again when the last one ends.
class TAppDialog;

class EngineBusy {
public:
    explicit EngineBusy(TAppDialog& dialog);
    ~EngineBusy();
    EngineBusy(const EngineBusy&) = delete;
    EngineBusy& operator=(const EngineBusy&) = delete;

private:
    TAppDialog& dialog;
};
