#pragma once

#include <QList>

// The inputs that one conversion run takes: consecutive rows of the list, in its order,
// so that the join takes the pieces in the list's order too.
struct ConversionGroup {
    QList<int> rows;
    // Each member's length in seconds as the list knows it; -1 when it is not known.
    QList<double> lengths;

    int first() const { return rows.front(); }
    // What the totals may add up: the known lengths.
    double knownSeconds() const;
};

// The conversion runs of a job whose rows last `lengths` (-1: not known), with runsAtOnce
// of them side by side. Each run starts an encoder and an ffmpeg, and for a short input
// starting them costs about as much as its encoding: with `grouping`, consecutive short
// inputs of known length go into one run, few enough that the runs at once open no more
// inputs together than one join run does, and small enough that every run at once still
// gets several groups to balance the stage.
// Without it, or for any other input, one run each.
QList<ConversionGroup> GroupConversions(const QList<double>& lengths, int runsAtOnce, bool grouping);
