// SPDX-License-Identifier: MIT
#include "NaiveStreamer.h"

#include "CommandFrame.h"
#include "RunLoop.h"
#include "frmVestrel.h"

#include <QCoreApplication>

#include <stdexcept>

NaiveStreamer::NaiveStreamer(frmVestrel& form, const std::string& devicePath) : form_(form)
{
    port_.setPortName(QString::fromStdString(devicePath));
}

void NaiveStreamer::open()
{
    const bool opened = port_.open(QIODevice::WriteOnly) && port_.setBaudRate(9600)
        && port_.setDataBits(QSerialPort::Data8) && port_.setParity(QSerialPort::NoParity)
        && port_.setStopBits(QSerialPort::OneStop) && port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!opened)
        throw std::runtime_error("cannot open " + port_.portName().toStdString() + ": "
                                 + port_.errorString().toStdString());
}

void NaiveStreamer::run()
{
    open();
    saved_ = false;
    const RunLoop& state = form_.runLoop();
    while (!saved_) {
        const std::string frame =
            CommandFrame::BuildFrame(CommandFrame::runCommand(state.SelIndex), state.PosValue);
        port_.write(frame.data(), static_cast<qint64>(frame.size()));
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

void NaiveStreamer::save()
{
    saved_ = true;
    const std::string frame = CommandFrame::BuildFrame(CommandFrame::SaveCommand, form_.runLoop().PosValue);
    for (int count = 0; count < RunLoop::BurstFrames; ++count)
        port_.write(frame.data(), static_cast<qint64>(frame.size()));
}

std::size_t NaiveStreamer::bytesHeld() const { return static_cast<std::size_t>(port_.bytesToWrite()); }
