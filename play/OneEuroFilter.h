#pragma once

// The One Euro filter (Casiez, Roussel and Vogel, 2012): a low-pass filter whose cutoff rises
// with the signal's speed, so a still face stops jittering while a fast one keeps up. At rest the
// cutoff is minCutoff (Hz); each unit a second of speed adds beta Hz.
struct OneEuroSettings {
    float minCutoff = 1.0f;
    float beta = 0.0f;
    float derivativeCutoff = 1.0f;
};

class OneEuroFilter {
  public:
    explicit OneEuroFilter(OneEuroSettings settings = {}) : settings_(settings) {}

    // The filtered value of a sample taken dt seconds after the one before. The first sample
    // passes as it is; a sample without time between (dt <= 0) changes nothing.
    float filter(float value, float dt);
    float value() const { return value_; }
    void reset() { started_ = false; }

  private:
    OneEuroSettings settings_;
    bool started_ = false;
    float value_ = 0.0f;
    float speed_ = 0.0f;
};
